// The converter library's three exports: the whole contract between the
// library and the plug-in. Results are 32-bit booleans: -1 true, 0 false.
#pragma once

#include <cstdint>

#include "platform/win32.h"

#if defined(_WIN32) && !defined(_WIN64)
#define DORV_STDCALL __stdcall
#else
#define DORV_STDCALL
#endif

#if defined(_WIN32)
#define DORV_EXPORT
#else
#define DORV_EXPORT __attribute__((visibility("default")))
#endif

namespace dorv {
inline constexpr int32_t kTrue = -1;
inline constexpr int32_t kFalse = 0;
inline constexpr int kReadInfoSize = 44;
}  // namespace dorv

extern "C" {

// file: open container file, read from its current position.
// readInfo: 44 bytes (TReadInfo). block: the caller's movable global block,
// resized and filled. palette: 1024 bytes. transparentIndex: written.
DORV_EXPORT int32_t DORV_STDCALL ConvertRead(HANDLE file, void* readInfo, HGLOBAL* block,
                                             uint8_t* palette, int32_t* transparentIndex);

DORV_EXPORT int32_t DORV_STDCALL ConvertWrite(HANDLE file, int32_t width, int32_t height,
                                              int32_t planes, int32_t depth, const uint8_t* pixels,
                                              const uint8_t* red, const uint8_t* green,
                                              const uint8_t* blue, int32_t transparentIndex,
                                              int32_t compType, int32_t quality, int32_t code,
                                              int32_t imageMode);

DORV_EXPORT int32_t DORV_STDCALL ConfigWrite(int32_t bitsPerPixel, int32_t* compType,
                                             int32_t* quality, int32_t* code);

}  // extern "C"

// Pointer types through which the plug-in calls the exports.
using ConvertReadProc = int32_t(DORV_STDCALL*)(HANDLE, void*, HGLOBAL*, uint8_t*, int32_t*);
using ConvertWriteProc = int32_t(DORV_STDCALL*)(HANDLE, int32_t, int32_t, int32_t, int32_t,
                                                const uint8_t*, const uint8_t*, const uint8_t*,
                                                const uint8_t*, int32_t, int32_t, int32_t, int32_t,
                                                int32_t);
using ConfigWriteProc = int32_t(DORV_STDCALL*)(int32_t, int32_t*, int32_t*, int32_t*);
