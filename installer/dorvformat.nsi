; The DorvFormat installer for 64-bit Windows. It finds every installation
; of the image editor the registry names (64-bit and 32-bit), offers each
; with the shared plug-ins folder and the Explorer thumbnails, and puts the
; module pair of each installation's architecture in a DorvFormat folder
; below its plug-ins folder. Everything it makes is listed in install.lst
; beside the uninstaller, which removes exactly that.
;
;   makensis -DVERSION=1.0.0 -DSTAGE=DIR -DOUTFILE=setup.exe dorvformat.nsi
;
; STAGE holds x64\ and x86\ (each with DorvFormat.8bi and dorvformat.dll),
; dorvthumbs.dll and licenses\.
; setup.exe [/S] [/LOG=FILE]: /S installs everything found without asking;
; the log goes to FILE (default %TEMP%\DorvFormat-setup.log).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include StrFunc.nsh
${StrStr}

!ifndef VERSION | STAGE | OUTFILE
  !error "give VERSION, STAGE and OUTFILE"
!endif

!define PRODUCT "DorvFormat"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DorvFormat"
!define HOSTS_KEY "SOFTWARE\Adobe\Photoshop"
!define PLUGIN_FOLDER "DorvFormat"
!define LIST_NAME "install.lst"
; Installations offered at most; more are logged and left alone.
!define MAX_SLOTS 12

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "LegalCopyright" ""

Page components
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Found      ; installations found so far
Var Busy       ; modules in use, one a line
Var LogFile
Var ListFile   ; the install list, open while installing

; ---- Logging -------------------------------------------------------------------
!macro LOG text
  Push `${text}`
  Call Log
!macroend

Function Log
  Exch $0
  Push $1
  DetailPrint $0
  ClearErrors
  FileOpen $1 $LogFile a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWrite $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; ---- The list of what was installed ------------------------------------------------
; "F path" for a file, "D path" for a folder the installer made (deepest
; first), "T" when the thumbnail handler was registered.
!macro LIST line
  FileWrite $ListFile `${line}$\r$\n`
!macroend

; Records every missing folder from $0 up, deepest first, then makes $0.
Function MakeFolder
  Push $1
  Push $2
  StrCpy $1 $0
  ${DoWhile} $1 != ""
    ${If} ${FileExists} "$1\*.*"
      ${Break}
    ${EndIf}
    !insertmacro LIST "D $1"
    ${GetParent} $1 $2
    ${If} $2 == $1
      ${Break}
    ${EndIf}
    StrCpy $1 $2
  ${Loop}
  CreateDirectory $0
  Pop $2
  Pop $1
FunctionEnd

; Removes what a list names: the files, then the folders that are left
; empty (several passes, as one folder may hold another's).
!macro REMOVE_LISTED un
Function ${un}RemoveListed
  Exch $0   ; the list
  Push $1
  Push $2
  Push $3
  Push $4
  ${For} $4 0 3
    ClearErrors
    FileOpen $1 $0 r
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ${Do}
      ClearErrors
      FileRead $1 $2
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      ; Without the line's end.
      ${Do}
        StrCpy $3 $2 1 -1
        ${If} $3 == "$\r"
        ${OrIf} $3 == "$\n"
          StrCpy $2 $2 -1
        ${Else}
          ${Break}
        ${EndIf}
      ${Loop}
      StrCpy $3 $2 2
      StrCpy $2 $2 "" 2
      ${If} $3 == "F "
      ${AndIf} $4 == 0
        Delete $2
        DetailPrint "removed $2"
      ${ElseIf} $3 == "D "
      ${AndIf} $4 > 0
        RMDir $2
      ${EndIf}
    ${Loop}
    FileClose $1
  ${Next}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro REMOVE_LISTED ""
!insertmacro REMOVE_LISTED "un."

; ---- The installations the registry names --------------------------------------------
!macro SLOT_VARS i
  Var SlotDir${i}
  Var SlotArch${i}
!macroend

!macro STORE_SLOT i
  ${If} $Found == ${i}
    StrCpy $SlotDir${i} $R3
    StrCpy $SlotArch${i} $R8
    SectionSetText ${SecSlot${i}} "Photoshop $R7 ($R8): $R3"
  ${EndIf}
!macroend

!macro HIDE_EMPTY_SLOT i
  ${If} $SlotDir${i} == ""
    SectionSetText ${SecSlot${i}} ""
    !insertmacro UnselectSection ${SecSlot${i}}
  ${EndIf}
!macroend

!macro CHECK_SLOT i
  ${If} ${SectionIsSelected} ${SecSlot${i}}
  ${AndIf} $SlotDir${i} != ""
    StrCpy $R0 "$SlotDir${i}\Plug-ins\${PLUGIN_FOLDER}"
    Call CheckPair
  ${EndIf}
!macroend

!macro FOR_SLOTS macro
  !insertmacro ${macro} 0
  !insertmacro ${macro} 1
  !insertmacro ${macro} 2
  !insertmacro ${macro} 3
  !insertmacro ${macro} 4
  !insertmacro ${macro} 5
  !insertmacro ${macro} 6
  !insertmacro ${macro} 7
  !insertmacro ${macro} 8
  !insertmacro ${macro} 9
  !insertmacro ${macro} 10
  !insertmacro ${macro} 11
!macroend

!insertmacro FOR_SLOTS SLOT_VARS

; ---- Modules in use ------------------------------------------------------------------
; A module that a running program has loaded cannot be replaced; it is
; noted in $Busy and nothing at all is installed.
Function CheckFree
  Exch $0
  Push $1
  ${If} ${FileExists} $0
    ClearErrors
    FileOpen $1 $0 a
    ${If} ${Errors}
      ; Each file once, though it may be both listed and to be installed.
      ${StrStr} $1 "$Busy$\r$\n" "$\r$\n  $0$\r$\n"
      ${If} $1 == ""
        StrCpy $Busy "$Busy$\r$\n  $0"
      ${EndIf}
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Every file an earlier installation listed: it is removed before the new
; files go in, so it must be free too.
Function CheckListed
  Push $1
  Push $2
  Push $3
  ClearErrors
  FileOpen $1 "$INSTDIR\${LIST_NAME}" r
  ${IfNot} ${Errors}
    ${Do}
      ClearErrors
      FileRead $1 $2
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      StrCpy $3 $2 2
      ${If} $3 == "F "
        ; Without the "F " and the line's end.
        StrCpy $2 $2 "" 2
        ${Do}
          StrCpy $3 $2 1 -1
          ${If} $3 == "$\r"
          ${OrIf} $3 == "$\n"
            StrCpy $2 $2 -1
          ${Else}
            ${Break}
          ${EndIf}
        ${Loop}
        Push $2
        Call CheckFree
      ${EndIf}
    ${Loop}
    FileClose $1
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

Function CheckPair
  Push "$R0\DorvFormat.8bi"
  Call CheckFree
  Push "$R0\dorvformat.dll"
  Call CheckFree
FunctionEnd

; ---- Installing ------------------------------------------------------------------------
!macro PAIR arch
  SetOutPath $0
  File "${STAGE}\${arch}\DorvFormat.8bi"
  File "${STAGE}\${arch}\dorvformat.dll"
!macroend

; $R0 the folder, $R1 the architecture.
Function InstallPair
  Push $0
  StrCpy $0 $R0
  Call MakeFolder
  ${If} $R1 == "32-bit"
    !insertmacro PAIR x86
  ${Else}
    !insertmacro PAIR x64
  ${EndIf}
  !insertmacro LIST "F $0\DorvFormat.8bi"
  !insertmacro LIST "F $0\dorvformat.dll"
  !insertmacro LOG "installed the $R1 modules in $0"
  Pop $0
FunctionEnd

Section "-prepare"
  Call Prepare
SectionEnd

!macro SLOT_SECTION i
  Section "Slot ${i}" SecSlot${i}
    StrCpy $R0 "$SlotDir${i}\Plug-ins\${PLUGIN_FOLDER}"
    StrCpy $R1 $SlotArch${i}
    Call InstallPair
  SectionEnd
!macroend
!insertmacro FOR_SLOTS SLOT_SECTION

Section "Shared plug-ins folder (newer 64-bit versions)" SecShared
  StrCpy $R0 "$COMMONFILES64\Adobe\Plug-Ins\CC\${PLUGIN_FOLDER}"
  StrCpy $R1 "64-bit"
  Call InstallPair
SectionEnd

Section "Explorer thumbnails of .dov files" SecThumbs
  SetOutPath $INSTDIR
  File "${STAGE}\dorvthumbs.dll"
  !insertmacro LIST "F $INSTDIR\dorvthumbs.dll"
  ClearErrors
  RegDLL "$INSTDIR\dorvthumbs.dll"
  ${If} ${Errors}
    !insertmacro LOG "error: the thumbnail handler could not be registered"
    SetErrorLevel 5
  ${Else}
    !insertmacro LIST "T"
    !insertmacro LOG "registered the thumbnail handler $INSTDIR\dorvthumbs.dll"
  ${EndIf}
SectionEnd

Section "-finish"
  StrCpy $0 "$INSTDIR\licenses"
  Call MakeFolder
  SetOutPath "$INSTDIR\licenses"
  File /r "${STAGE}\licenses\*.*"
  FindFirst $1 $2 "$INSTDIR\licenses\*.txt"
  ${DoWhile} $2 != ""
    !insertmacro LIST "F $INSTDIR\licenses\$2"
    FindNext $1 $2
  ${Loop}
  FindClose $1
  FileClose $ListFile

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro LOG "done"
SectionEnd

; ---- Set-up and checks (after the sections, whose indices they use) ----------------
; $R7 version key, $R3 application folder, $R8 architecture.
Function AddFound
  ${If} $Found >= ${MAX_SLOTS}
    !insertmacro LOG "not offered (more than ${MAX_SLOTS} installations): $R3"
    Return
  ${EndIf}
  !insertmacro FOR_SLOTS STORE_SLOT
  IntOp $Found $Found + 1
FunctionEnd

; Every version key of the current registry view with an application path.
Function FindHosts
  StrCpy $R6 0
  ${Do}
    ClearErrors
    EnumRegKey $R7 HKLM "${HOSTS_KEY}" $R6
    ${If} ${Errors}
    ${OrIf} $R7 == ""
      ${Break}
    ${EndIf}
    IntOp $R6 $R6 + 1
    ReadRegStr $R3 HKLM "${HOSTS_KEY}\$R7" "ApplicationPath"
    ${If} $R3 == ""
      ${Continue}
    ${EndIf}
    ; Without the trailing backslash the value usually has.
    ${Do}
      StrCpy $R5 $R3 1 -1
      ${If} $R5 == "\"
        StrCpy $R3 $R3 -1
      ${Else}
        ${Break}
      ${EndIf}
    ${Loop}
    Call AddFound
  ${Loop}
FunctionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOG=" $LogFile
  ${If} ${Errors}
  ${OrIf} $LogFile == ""
    StrCpy $LogFile "$TEMP\${PRODUCT}-setup.log"
  ${EndIf}
  !insertmacro LOG "${PRODUCT} ${VERSION} setup"
  StrCpy $Found 0
  SetRegView 64
  StrCpy $R8 "64-bit"
  Call FindHosts
  SetRegView 32
  StrCpy $R8 "32-bit"
  Call FindHosts
  SetRegView 64
  !insertmacro FOR_SLOTS HIDE_EMPTY_SLOT
FunctionEnd

; Refuses to go on while a module to be replaced is in use, then removes
; an earlier installation and opens the new install list.
Function Prepare
  SetRegView 64
  StrCpy $Busy ""
  !insertmacro FOR_SLOTS CHECK_SLOT
  ${If} ${SectionIsSelected} ${SecShared}
    StrCpy $R0 "$COMMONFILES64\Adobe\Plug-Ins\CC\${PLUGIN_FOLDER}"
    Call CheckPair
  ${EndIf}
  Push "$INSTDIR\dorvthumbs.dll"
  Call CheckFree
  Call CheckListed
  ${If} $Busy != ""
    !insertmacro LOG "error: these modules are in use:$Busy"
    !insertmacro LOG "Close the image editor (and Explorer windows showing .dov files), then run setup again. Nothing was changed."
    MessageBox MB_OK|MB_ICONSTOP "These modules are in use and cannot be replaced:$Busy$\r$\n$\r$\nClose the image editor (and Explorer windows showing .dov files), then run setup again. Nothing was changed." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}

  ; An earlier installation is replaced in place: what it installed goes first.
  ${If} ${FileExists} "$INSTDIR\${LIST_NAME}"
    !insertmacro LOG "replacing the installation in $INSTDIR"
    ${If} ${FileExists} "$INSTDIR\dorvthumbs.dll"
      UnRegDLL "$INSTDIR\dorvthumbs.dll"
    ${EndIf}
    Push "$INSTDIR\${LIST_NAME}"
    Call RemoveListed
  ${EndIf}
  StrCpy $0 $INSTDIR
  ClearErrors
  CreateDirectory $INSTDIR
  FileOpen $ListFile "$INSTDIR\${LIST_NAME}" w
  ${If} ${Errors}
    !insertmacro LOG "error: cannot write $INSTDIR\${LIST_NAME}"
    SetErrorLevel 4
    Quit
  ${EndIf}
FunctionEnd

; ---- Uninstalling ------------------------------------------------------------------------
Section "Uninstall"
  SetRegView 64
  ; The shell lets go of the handler before its file goes.
  ${If} ${FileExists} "$INSTDIR\dorvthumbs.dll"
    UnRegDLL "$INSTDIR\dorvthumbs.dll"
  ${EndIf}
  Push "$INSTDIR\${LIST_NAME}"
  Call un.RemoveListed
  Delete "$INSTDIR\${LIST_NAME}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
