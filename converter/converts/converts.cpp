// The converter library's exports. No exception crosses this boundary: every
// failure becomes a false result.
#include "converter/converts/exports.h"

#include <exception>

#include "converter/converts/convert_impl.h"
#include "converter/options/config_write.h"

namespace {
int32_t Result(bool ok) { return ok ? dorv::kTrue : dorv::kFalse; }
}  // namespace

extern "C" {

DORV_EXPORT int32_t DORV_STDCALL ConvertRead(HANDLE file, void* readInfo, HGLOBAL* block,
                                             uint8_t* palette, int32_t* transparentIndex) {
  try {
    if (readInfo == nullptr || block == nullptr || palette == nullptr || transparentIndex == nullptr)
      return dorv::kFalse;
    return Result(dorv::ConvertReadImpl(file, static_cast<uint8_t*>(readInfo), block, palette,
                                        transparentIndex));
  } catch (...) {
    return dorv::kFalse;
  }
}

DORV_EXPORT int32_t DORV_STDCALL ConvertWrite(HANDLE file, int32_t width, int32_t height,
                                              int32_t planes, int32_t depth, const uint8_t* pixels,
                                              const uint8_t* red, const uint8_t* green,
                                              const uint8_t* blue, int32_t transparentIndex,
                                              int32_t compType, int32_t quality, int32_t code,
                                              int32_t imageMode) {
  try {
    const dorv::TWriteRequest request{file,  width,            height,   planes,  depth,
                                      pixels, red,             green,    blue,    transparentIndex,
                                      compType, quality,       code,     imageMode};
    return Result(dorv::ConvertWriteImpl(request));
  } catch (...) {
    return dorv::kFalse;
  }
}

DORV_EXPORT int32_t DORV_STDCALL ConfigWrite(int32_t bitsPerPixel, int32_t* compType,
                                             int32_t* quality, int32_t* code) {
  try {
    if (compType == nullptr || quality == nullptr || code == nullptr) return dorv::kFalse;
    return Result(dorv::RunConfigWrite(bitsPerPixel, compType, quality, code));
  } catch (...) {
    return dorv::kFalse;
  }
}

}  // extern "C"
