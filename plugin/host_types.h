// The host's basic types, its memory handles, and the procedure tables it
// hands to the module: the basic suite, the handle suite and the resource
// procedures. These tables have natural alignment; their layout is checked
// against the host's below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/host_layout.h"

// Every host callback and suite procedure, and the module's entry point,
// use the C calling convention (the caller removes the arguments); a 64-bit
// process has only one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define DORV_CDECL __cdecl
#else
#define DORV_CDECL
#endif

namespace dorv::host_api {

using OSErr = int16_t;  // the module's results and advanceState's
using SPErr = int32_t;  // suite procedures' results; 0 is success
using OSType = uint32_t;
using Boolean = uint8_t;
using Fixed = int32_t;  // 16.16

// A host memory handle: pointer-sized and opaque to the module, which only
// hands one back to the handle suite.
struct HostHandleData;
using Handle = HostHandleData*;

struct Point {
  int16_t v;  // rows
  int16_t h;  // columns
};

struct Rect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct VPoint {
  int32_t v;
  int32_t h;
};

struct VRect {
  int32_t top;
  int32_t left;
  int32_t bottom;
  int32_t right;
};

static_assert(sizeof(Point) == 4 && sizeof(Rect) == 8 && sizeof(VPoint) == 8 &&
              sizeof(VRect) == 16);

using LookUpTable = uint8_t[256];

// A host callback whose arguments the module never needs.
using HostProc = void(DORV_CDECL*)();

// Fills the format record's `data` for `theRect` (or `theRect32`) and the
// planes `loPlane` to `hiPlane`, in the layout that `colBytes`, `rowBytes`
// and `planeBytes` give.
using AdvanceStateProc = OSErr(DORV_CDECL*)();

// ---- The basic suite: every other suite is acquired and released through it.
struct SPBasicSuite {
  SPErr(DORV_CDECL* AcquireSuite)(const char* name, int32_t version, const void** suite);
  SPErr(DORV_CDECL* ReleaseSuite)(const char* name, int32_t version);
  SPErr(DORV_CDECL* IsEqual)(const char* token1, const char* token2);
  SPErr(DORV_CDECL* AllocateBlock)(std::size_t size, void** block);
  SPErr(DORV_CDECL* FreeBlock)(void* block);
  SPErr(DORV_CDECL* ReallocateBlock)(void* block, std::size_t newSize, void** newBlock);
  SPErr(DORV_CDECL* Undefined)();
};

DORV_HOST_OFFSET(SPBasicSuite, AcquireSuite, 0, 0);
DORV_HOST_OFFSET(SPBasicSuite, ReleaseSuite, 4, 8);
DORV_HOST_OFFSET(SPBasicSuite, IsEqual, 8, 16);
DORV_HOST_OFFSET(SPBasicSuite, AllocateBlock, 12, 24);
DORV_HOST_OFFSET(SPBasicSuite, FreeBlock, 16, 32);
DORV_HOST_OFFSET(SPBasicSuite, ReallocateBlock, 20, 40);
DORV_HOST_OFFSET(SPBasicSuite, Undefined, 24, 48);
DORV_HOST_SIZE(SPBasicSuite, 28, 56);

// ---- The handle suite, version 2. The module calls only Dispose, which is
// the second procedure in version 1 of the suite too.
inline constexpr const char* kHandleSuiteName = "Photoshop Handle Suite for Plug-ins";
inline constexpr int32_t kHandleSuiteVersion2 = 2;

struct HandleSuite2 {
  Handle(DORV_CDECL* New)(int32_t size);
  void(DORV_CDECL* Dispose)(Handle h);
  void(DORV_CDECL* DisposeRegularHandle)(Handle h);
  void(DORV_CDECL* SetLock)(Handle h, Boolean lock, char** address, Boolean* oldLock);
  int32_t(DORV_CDECL* GetSize)(Handle h);
  OSErr(DORV_CDECL* SetSize)(Handle h, int32_t size);
  void(DORV_CDECL* RecoverSpace)(int32_t size);
};

DORV_HOST_OFFSET(HandleSuite2, New, 0, 0);
DORV_HOST_OFFSET(HandleSuite2, Dispose, 4, 8);
DORV_HOST_OFFSET(HandleSuite2, DisposeRegularHandle, 8, 16);
DORV_HOST_OFFSET(HandleSuite2, SetLock, 12, 24);
DORV_HOST_OFFSET(HandleSuite2, GetSize, 16, 32);
DORV_HOST_OFFSET(HandleSuite2, SetSize, 20, 40);
DORV_HOST_OFFSET(HandleSuite2, RecoverSpace, 24, 48);
DORV_HOST_SIZE(HandleSuite2, 28, 56);

// ---- The resource procedures. The module requires count, get and add and
// calls none of them.
using CountPIResourcesProc = int16_t(DORV_CDECL*)(OSType type);
using GetPIResourceProc = Handle(DORV_CDECL*)(OSType type, int16_t index);
using DeletePIResourceProc = void(DORV_CDECL*)(OSType type, int16_t index);
using AddPIResourceProc = int16_t(DORV_CDECL*)(OSType type, Handle data);

struct ResourceProcs {
  int16_t resourceProcsVersion;
  int16_t numResourceProcs;
  CountPIResourcesProc countProc;
  GetPIResourceProc getProc;
  DeletePIResourceProc deleteProc;
  AddPIResourceProc addProc;
};

DORV_HOST_OFFSET(ResourceProcs, resourceProcsVersion, 0, 0);
DORV_HOST_OFFSET(ResourceProcs, numResourceProcs, 2, 2);
DORV_HOST_OFFSET(ResourceProcs, countProc, 4, 8);
DORV_HOST_OFFSET(ResourceProcs, getProc, 8, 16);
DORV_HOST_OFFSET(ResourceProcs, deleteProc, 12, 24);
DORV_HOST_OFFSET(ResourceProcs, addProc, 16, 32);
DORV_HOST_SIZE(ResourceProcs, 20, 40);

// ---- The scripting parameters. A host that plays actions points the format
// record's descriptorParameters here; the module reads playInfo only.
inline constexpr int16_t plugInDialogDontDisplay = 0;  // only when parameters are missing
inline constexpr int16_t plugInDialogDisplay = 1;      // an interactive command
inline constexpr int16_t plugInDialogSilent = 2;       // never: a silent action or batch
inline constexpr int16_t plugInDialogOptional = 0;     // recordInfo: the user may turn dialogs off

struct PIDescriptorParameters {
  int16_t descriptorParametersVersion;
  int16_t playInfo;
  int16_t recordInfo;
  Handle descriptor;
  void* writeDescriptorProcs;
  void* readDescriptorProcs;
};

DORV_HOST_OFFSET(PIDescriptorParameters, descriptorParametersVersion, 0, 0);
DORV_HOST_OFFSET(PIDescriptorParameters, playInfo, 2, 2);
DORV_HOST_OFFSET(PIDescriptorParameters, recordInfo, 4, 4);
DORV_HOST_OFFSET(PIDescriptorParameters, descriptor, 8, 8);
DORV_HOST_OFFSET(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
DORV_HOST_OFFSET(PIDescriptorParameters, readDescriptorProcs, 16, 24);
DORV_HOST_SIZE(PIDescriptorParameters, 20, 32);

}  // namespace dorv::host_api
