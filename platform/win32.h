// The subset of the Win32 kernel interface that the converter and the plug-in
// use. On Windows this is <windows.h>; elsewhere the same names are provided
// by this layer with the same semantics, so no other file needs to know which
// platform it is built for.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Names of the system's own code that <windows.h> turns into macros for its
// ANSI/Unicode pairs; the Win32 calls themselves are made by their A or W
// names.
#undef FormatMessage
#else
#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using SIZE_T = size_t;
using HANDLE = void*;
using HGLOBAL = void*;
using HMODULE = void*;
using HINSTANCE = void*;
using FARPROC = void (*)();
using LPVOID = void*;

#define WINAPI
#define TRUE 1
#define FALSE 0

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_SET_FILE_POINTER (static_cast<DWORD>(0xFFFFFFFFu))
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x80

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

#define MB_OK 0x0u
#define MB_ICONWARNING 0x30u
#define MB_ICONINFORMATION 0x40u

// Files: a HANDLE wraps a POSIX descriptor. Reads and writes happen at the
// handle's current position; SetFilePointer moves it (low 32 bits in the
// return value, high 32 bits through the pointer when it is given).
HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                   DWORD disposition, DWORD flags, HANDLE templ);
BOOL CloseHandle(HANDLE h);
DWORD SetFilePointer(HANDLE h, LONG distance, LONG* distanceHigh, DWORD method);
BOOL ReadFile(HANDLE h, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE h, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);

// Movable global memory. A block is a small header from the C heap, so a
// handle made by one module can be resized, locked and freed by another
// module of the same process.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
HGLOBAL GlobalFree(HGLOBAL mem);
SIZE_T GlobalSize(HGLOBAL mem);

// Modules.
DWORD GetModuleFileNameA(HMODULE module, char* name, DWORD size);
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// The ANSI code page of this platform is Shift_JIS (code page 932): lead
// bytes are 0x81 to 0x9F and 0xE0 to 0xFC.
BOOL IsDBCSLeadByte(BYTE c);

namespace platform {
// Descriptor <-> handle, for the tools and tests on this platform.
HANDLE HandleFromFd(int fd);
int FdFromHandle(HANDLE h);
// Forces the next n GlobalAlloc/GlobalReAlloc (or GlobalLock) calls to fail,
// so that the callers' failure paths can be exercised.
void FailNextGlobalAllocs(int n);
void FailNextGlobalLocks(int n);
}  // namespace platform
#endif
