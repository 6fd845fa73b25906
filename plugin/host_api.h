// The host side of the file-format module protocol, as the module sees it:
// the entry point's signature, the selectors, the result codes and the
// image modes. The records and procedure tables the host hands over are in
// format_record.h and host_types.h, laid out as the host lays them out.
#pragma once

#include <cstdint>

#include "plugin/format_record.h"
#include "plugin/host_types.h"
#include "platform/win32.h"

namespace dorv::host_api {

// Result codes written through the result pointer.
inline constexpr OSErr noErr = 0;
inline constexpr OSErr errPlugInHostInsufficient = -30900;
inline constexpr OSErr formatBadParameters = -30500;
inline constexpr OSErr formatCannotRead = -30501;
inline constexpr OSErr userCanceledErr = -128;
inline constexpr OSErr memFullErr = -108;
// The host's file cannot be positioned at its start.
inline constexpr OSErr kFilePositionErr = -20;
// The converter library is missing, lacks an export, or refuses to write.
inline constexpr OSErr kConverterErr = -1;

// Selectors.
inline constexpr int16_t formatSelectorAbout = 0;
inline constexpr int16_t formatSelectorReadPrepare = 1;
inline constexpr int16_t formatSelectorReadStart = 2;
inline constexpr int16_t formatSelectorReadContinue = 3;
inline constexpr int16_t formatSelectorReadFinish = 4;
inline constexpr int16_t formatSelectorOptionsPrepare = 5;
inline constexpr int16_t formatSelectorOptionsStart = 6;
inline constexpr int16_t formatSelectorOptionsContinue = 7;
inline constexpr int16_t formatSelectorOptionsFinish = 8;
inline constexpr int16_t formatSelectorEstimatePrepare = 9;
inline constexpr int16_t formatSelectorEstimateStart = 10;
inline constexpr int16_t formatSelectorEstimateContinue = 11;
inline constexpr int16_t formatSelectorEstimateFinish = 12;
inline constexpr int16_t formatSelectorWritePrepare = 13;
inline constexpr int16_t formatSelectorWriteStart = 14;
inline constexpr int16_t formatSelectorWriteContinue = 15;
inline constexpr int16_t formatSelectorWriteFinish = 16;
inline constexpr int16_t formatSelectorFilterFile = 17;

// Image modes (`imageMode`).
inline constexpr int16_t plugInModeBitmap = 0;
inline constexpr int16_t plugInModeGrayScale = 1;
inline constexpr int16_t plugInModeIndexedColor = 2;
inline constexpr int16_t plugInModeRGBColor = 3;

// The host's file, as the record carries it.
inline HANDLE FileOf(const FormatRecord& record) {
  return reinterpret_cast<HANDLE>(record.dataFork);
}
inline intptr_t ForkOf(HANDLE file) { return reinterpret_cast<intptr_t>(file); }

// The entry point every file-format module exports under this name. The
// data slot is the host's pointer-sized value, kept between calls.
using PluginMainProc = void(DORV_CDECL*)(int16_t selector, void* pluginParamBlock,
                                         intptr_t* data, int16_t* result);
inline constexpr const char* kEntryPointName = "PluginMain";

}  // namespace dorv::host_api
