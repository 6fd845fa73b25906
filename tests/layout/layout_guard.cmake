# Shows that the format record's declarations cannot drift from the host's
# layout: the header as it stands compiles, and each edit in the table below
# (a field of another width, two fields swapped, a field moved, the packing
# dropped, the record cut short) makes the compile fail with every compiler
# given.
#
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DCOMPILERS="c++;..." -P layout_guard.cmake
#
# A compiler name may carry flags after a '|' (e.g. "g++|-m32").

foreach(var SOURCE_DIR WORK_DIR COMPILERS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "layout_guard: ${var} is not set")
  endif()
endforeach()

set(headers plugin/format_record.h plugin/host_types.h plugin/host_layout.h)
file(READ ${SOURCE_DIR}/plugin/format_record.h original)

# Each edit: the text in the header, its replacement, and whether it fails
# only in a 64-bit process (where pointers are 8 bytes and the packing
# matters).
set(edits TransparencyPlaneSixteenBits CanUseICCProfilesOneByte CoordinateFlagsSwapped
  DataBeforeTheTables ReservedCutShort DataForkOf32Bits NaturalAlignment)
set(TransparencyPlaneSixteenBits_from "  int32_t transparencyPlane;\n")
set(TransparencyPlaneSixteenBits_to "  int16_t transparencyPlane;\n")
set(CanUseICCProfilesOneByte_from "  int32_t canUseICCProfiles;\n")
set(CanUseICCProfilesOneByte_to "  Boolean canUseICCProfiles;\n")
set(CoordinateFlagsSwapped_from
  "  int32_t HostSupports32BitCoordinates;\n  int32_t PluginUsing32BitCoordinates;\n")
set(CoordinateFlagsSwapped_to
  "  int32_t PluginUsing32BitCoordinates;\n  int32_t HostSupports32BitCoordinates;\n")
set(DataBeforeTheTables_from "  LookUpTable redLUT;\n")
set(DataBeforeTheTables_to "  void* dataMoved;\n  LookUpTable redLUT;\n")
set(ReservedCutShort_from "  char reserved[50];\n")
set(ReservedCutShort_to "  char reserved[46];\n")
set(DataForkOf32Bits_from "  intptr_t dataFork;")
set(DataForkOf32Bits_to "  int32_t dataFork;")
set(DataForkOf32Bits_only64 1)
set(NaturalAlignment_from "#pragma pack(push, 4)\n")
set(NaturalAlignment_to "\n")
set(NaturalAlignment_only64 1)

function(try_compile_header dir compiler out)
  string(REPLACE "|" ";" parts "${compiler}")
  list(POP_FRONT parts program)
  file(WRITE ${dir}/probe.cpp "#include \"plugin/format_record.h\"\nint main() { return 0; }\n")
  execute_process(
    COMMAND ${program} ${parts} -std=c++20 -fsyntax-only -I${dir} ${dir}/probe.cpp
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${out} ${result} PARENT_SCOPE)
  set(${out}_text "${output}" PARENT_SCOPE)
endfunction()

function(pointer_bytes dir compiler out)
  string(REPLACE "|" ";" parts "${compiler}")
  list(POP_FRONT parts program)
  file(WRITE ${dir}/size.cpp "static_assert(sizeof(void*) == 8);\n")
  execute_process(COMMAND ${program} ${parts} -std=c++20 -fsyntax-only ${dir}/size.cpp
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(result EQUAL 0)
    set(${out} 8 PARENT_SCOPE)
  else()
    set(${out} 4 PARENT_SCOPE)
  endif()
endfunction()

set(failures 0)
set(checked 0)
foreach(compiler IN LISTS COMPILERS)
  string(MAKE_C_IDENTIFIER "${compiler}" tag)
  set(base ${WORK_DIR}/${tag})
  file(REMOVE_RECURSE ${base})
  foreach(header IN LISTS headers)
    configure_file(${SOURCE_DIR}/${header} ${base}/original/${header} COPYONLY)
  endforeach()
  try_compile_header(${base}/original "${compiler}" result)
  if(NOT result EQUAL 0)
    message(SEND_ERROR "${compiler}: the header as it stands does not compile:\n${result_text}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  pointer_bytes(${base} "${compiler}" bytes)
  message(STATUS "${compiler} (${bytes}-byte pointers): the header compiles")

  foreach(name IN LISTS edits)
    set(from "${${name}_from}")
    set(to "${${name}_to}")
    set(only64 "${${name}_only64}")
    string(FIND "${original}" "${from}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "${name}: the header no longer holds the text this edit changes")
      math(EXPR failures "${failures} + 1")
      continue()
    endif()
    string(REPLACE "${from}" "${to}" edited "${original}")
    set(dir ${base}/${name})
    foreach(header IN LISTS headers)
      configure_file(${SOURCE_DIR}/${header} ${dir}/${header} COPYONLY)
    endforeach()
    file(WRITE ${dir}/plugin/format_record.h "${edited}")
    try_compile_header(${dir} "${compiler}" result)
    set(expect_failure TRUE)
    if(only64 AND bytes EQUAL 4)
      set(expect_failure FALSE)
    endif()
    math(EXPR checked "${checked} + 1")
    if(expect_failure AND result EQUAL 0)
      message(SEND_ERROR "${compiler}: ${name} still compiles")
      math(EXPR failures "${failures} + 1")
    elseif(expect_failure AND NOT result_text MATCHES "(where the host puts it|as wide as the host|as large as the host|packs the format record)")
      message(SEND_ERROR "${compiler}: ${name} fails, but not by a layout check:\n${result_text}")
      math(EXPR failures "${failures} + 1")
    elseif(expect_failure)
      message(STATUS "${compiler}: ${name} is refused")
    elseif(NOT result EQUAL 0)
      message(SEND_ERROR "${compiler}: ${name} should not matter in a 32-bit process:\n${result_text}")
      math(EXPR failures "${failures} + 1")
    else()
      message(STATUS "${compiler}: ${name} does not change a 32-bit process's layout")
    endif()
  endforeach()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "layout_guard: ${failures} of ${checked} checks failed")
endif()
message(STATUS "layout_guard: ${checked} edits checked")
