// The host side of the file-format module protocol, as the plug-in sees it:
// the entry point's signature, the selectors, the result codes, the format
// record and the suites reached through it.
//
// This header is our own. Only the fields and callbacks the plug-in uses are
// given; their order and every layout detail are ours, shared by the plug-in
// and the hosts in this tree (plugin/host). Choices made here:
//   - advanceState takes no argument: the host knows which format record it
//     handed to the current call and fills that record's `data`.
//   - The host's file is a Win32 file handle (`dataFork`).
//   - A host memory handle (`Handle`) is opaque to the plug-in; it only ever
//     passes one back to the handle suite's Dispose.
//   - Suite procedures return 0 for success.
//   - The data slot passed to PluginMain is a pointer-sized integer.
#pragma once

#include <cstdint>

#include "platform/win32.h"

#if defined(_WIN32) && !defined(_WIN64)
#define DORV_CDECL __cdecl
#else
#define DORV_CDECL
#endif

namespace dorv::host_api {

using OSErr = int16_t;
using SPErr = int32_t;
using OSType = uint32_t;

// Result codes written through the result pointer.
inline constexpr OSErr noErr = 0;
inline constexpr OSErr errPlugInHostInsufficient = -30900;
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

struct HostHandleData;
using Handle = HostHandleData*;

struct Point16 {
  int16_t v;  // rows
  int16_t h;  // columns
};

struct VPoint {
  int32_t v;
  int32_t h;
};

struct Rect16 {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct VRect {
  int32_t top;
  int32_t left;
  int32_t bottom;
  int32_t right;
};

using LookUpTable = uint8_t[256];

// Fills `data` of the current format record for `theRect` (or `theRect32`)
// and the planes `loPlane` to `hiPlane`, in the layout given by `colBytes`,
// `rowBytes` and `planeBytes`.
using AdvanceStateProc = OSErr (*)();

using CountPIResourcesProc = int16_t (*)(OSType type);
using GetPIResourceProc = Handle (*)(OSType type, int16_t index);
using DeletePIResourceProc = void (*)(OSType type, int16_t index);
using AddPIResourceProc = OSErr (*)(OSType type, Handle data);

struct ResourceProcs {
  int16_t resourceProcsVersion;
  int16_t numResourceProcs;
  CountPIResourcesProc countProc;
  GetPIResourceProc getProc;
  DeletePIResourceProc deleteProc;
  AddPIResourceProc addProc;
};

// The basic suite: every other suite is acquired and released through it.
struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32_t version);
};

inline constexpr const char* kHandleSuiteName = "Photoshop Handle Suite for Plug-ins";
inline constexpr int32_t kHandleSuiteVersion2 = 2;

// The handle suite, version 2. The plug-in calls only Dispose.
struct HandleSuite2 {
  Handle (*New)(int32_t size);
  void (*Dispose)(Handle h);
  int32_t (*GetSize)(Handle h);
  OSErr (*SetSize)(Handle h, int32_t size);
  void* (*Lock)(Handle h);
  void (*Unlock)(Handle h);
};

// The parameter block of every selector but about.
struct FormatRecord {
  // Host services.
  SPBasicSuite* sSPBasic;
  AdvanceStateProc advanceState;
  ResourceProcs* resourceProcs;

  // The open file.
  HANDLE dataFork;

  // Memory the host holds back for the plug-in; the size estimate.
  int32_t maxData;
  int32_t minDataBytes;
  int32_t maxDataBytes;

  // The document.
  int16_t imageMode;
  Point16 imageSize;
  int16_t depth;   // bits per plane: 1 or 8
  int16_t planes;  // channels per pixel
  LookUpTable redLUT;
  LookUpTable greenLUT;
  LookUpTable blueLUT;
  int32_t transparentIndex;  // -1 for none
  int16_t transparencyPlane;
  uint8_t canUseICCProfiles;
  Handle imageRsrcData;
  int32_t imageRsrcSize;

  // One interleaved buffer and what it holds.
  void* data;
  Rect16 theRect;
  int16_t loPlane;
  int16_t hiPlane;
  int16_t colBytes;
  int32_t rowBytes;
  int32_t planeBytes;

  // 32-bit coordinates: used when both flags are set.
  uint8_t hostSupports32BitCoordinates;
  uint8_t PluginUsing32BitCoordinates;
  VPoint imageSize32;
  VRect theRect32;
};

// The parameter block of the about selector. The plug-in does not read it.
struct AboutRecord {
  SPBasicSuite* sSPBasic;
  void* platformData;
};

// The entry point every file-format module exports under this name.
using PluginMainProc = void(DORV_CDECL*)(int16_t selector, void* pluginParamBlock,
                                         intptr_t* data, int16_t* result);
inline constexpr const char* kEntryPointName = "PluginMain";

}  // namespace dorv::host_api
