// The host's parameter blocks: the format record handed to every selector
// but about, and the about record. Every field is declared, to the last, so
// that a record of the host's size can be made here; the field names are the
// host's. The offsets, widths and sizes asserted below are the host's for a
// 32-bit and a 64-bit process, so a build whose declarations drift from the
// host's does not compile.
//
// Older hosts hand a shorter format record, which may end right after
// `theRect32`: the module touches nothing past it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/host_layout.h"
#include "plugin/host_types.h"

namespace dorv::host_api {

// The host packs the format record to 4 bytes in 32-bit and 64-bit
// processes alike, so in a 64-bit process some pointers sit at offsets of
// 4 mod 8. The same packing is used on every platform, so that the tests
// here exercise the host's layout.
#pragma pack(push, 4)
struct FormatRecord {
  int32_t serialNumber;
  HostProc abortProc;
  HostProc progressProc;
  int32_t maxData;       // memory the host holds back for the module
  int32_t minDataBytes;  // the size estimate
  int32_t maxDataBytes;
  int32_t minRsrcBytes;
  int32_t maxRsrcBytes;
  intptr_t dataFork;  // the open file: a Win32 file handle
  intptr_t rsrcFork;
  void* fileSpec;
  int16_t imageMode;
  Point imageSize;
  int16_t depth;   // bits per plane
  int16_t planes;  // channels per pixel
  Fixed imageHRes;
  Fixed imageVRes;
  LookUpTable redLUT;
  LookUpTable greenLUT;
  LookUpTable blueLUT;
  // One interleaved buffer and what it holds.
  void* data;
  Rect theRect;
  int16_t loPlane;
  int16_t hiPlane;
  int16_t colBytes;
  int32_t rowBytes;
  int32_t planeBytes;
  int16_t planeMap[16];
  Boolean canTranspose;
  Boolean needTranspose;
  OSType hostSig;
  HostProc hostProc;
  int16_t hostModes;
  Handle revertInfo;
  HostProc hostNewHdl;
  HostProc hostDisposeHdl;
  Handle imageRsrcData;
  int32_t imageRsrcSize;
  Fixed monitor[10];
  void* platformData;
  void* bufferProcs;
  ResourceProcs* resourceProcs;
  HostProc processEvent;
  HostProc displayPixels;
  void* handleProcs;
  OSType fileType;
  HostProc colorServices;
  AdvanceStateProc advanceState;
  void* propertyProcs;
  void* imageServicesProcs;
  int16_t tileWidth;
  int16_t tileHeight;
  Point tileOrigin;
  PIDescriptorParameters* descriptorParameters;  // null when the host has no scripting
  void* errorString;
  int32_t maxValue;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  int32_t transparentIndex;  // -1 for none
  Handle iCCprofileData;
  int32_t iCCprofileSize;
  int32_t canUseICCProfiles;
  int32_t lutCount;
  int32_t preferredColorModes;
  int32_t convertMode;
  VPoint preferredSize;
  int32_t imageIndex;
  int32_t transparencyPlane;
  int32_t transparencyMatting;
  void* channelPortProcs;
  void* documentInfo;
  Boolean openForPreview;
  int32_t browserRotation;
  // 32-bit coordinates: `imageSize32` and `theRect32` are used when both
  // flags are set.
  int32_t HostSupports32BitCoordinates;
  int32_t PluginUsing32BitCoordinates;
  VPoint imageSize32;
  VRect theRect32;
  // Nothing from here on is touched by the module.
  uint32_t requestedFileProperty;
  uint32_t filePropertyValue;
  uint32_t fileCount;
  Handle xmp;
  int32_t supportsSkipFile;
  Boolean extractQuickThumbnail;
  Boolean hostInSecondaryThread;
  uint32_t bulkMask;
  void* bulkFlags;
  uint32_t presetCount;
  Handle presetNames;
  Handle presetData;
  uint32_t settingsChecksum;
  void* fileSpec2;
  uint32_t layerData;
  void* layerName;
  void* renderRecord;
  void* bulkParams;
  Boolean openAsSmartObject;
  void* layerMetaData;
  void* finalSpec;
  Boolean isTextLayer;
  void* textDescriptor;
  Boolean isGroupDivider;
  Boolean isGroupStart;
  Boolean isVisible;
  Boolean isLocked;
  OSType blendMode;
  uint8_t opacity;
  Handle bulkExtraData;
  void* fileSpecX;
  int16_t hostSupportsPOSIXIO;
  int16_t pluginUsingPOSIXIO;
  int32_t posixFileDescriptor;
  Boolean hostSupportsPluginOpeningFile;
  Boolean hostSupportsSingleOpenToBulkSwitch;
  Boolean pluginWantsSingleOpenToBulkSwitch;
  char reserved[50];
};
#pragma pack(pop)

// Every field where the host puts it (i686, x86_64).
DORV_HOST_OFFSET(FormatRecord, serialNumber, 0, 0);
DORV_HOST_OFFSET(FormatRecord, abortProc, 4, 4);
DORV_HOST_OFFSET(FormatRecord, progressProc, 8, 12);
DORV_HOST_OFFSET(FormatRecord, maxData, 12, 20);
DORV_HOST_OFFSET(FormatRecord, minDataBytes, 16, 24);
DORV_HOST_OFFSET(FormatRecord, maxDataBytes, 20, 28);
DORV_HOST_OFFSET(FormatRecord, minRsrcBytes, 24, 32);
DORV_HOST_OFFSET(FormatRecord, maxRsrcBytes, 28, 36);
DORV_HOST_OFFSET(FormatRecord, dataFork, 32, 40);
DORV_HOST_OFFSET(FormatRecord, rsrcFork, 36, 48);
DORV_HOST_OFFSET(FormatRecord, fileSpec, 40, 56);
DORV_HOST_OFFSET(FormatRecord, imageMode, 44, 64);
DORV_HOST_OFFSET(FormatRecord, imageSize, 46, 66);
DORV_HOST_OFFSET(FormatRecord, depth, 50, 70);
DORV_HOST_OFFSET(FormatRecord, planes, 52, 72);
DORV_HOST_OFFSET(FormatRecord, imageHRes, 56, 76);
DORV_HOST_OFFSET(FormatRecord, imageVRes, 60, 80);
DORV_HOST_OFFSET(FormatRecord, redLUT, 64, 84);
DORV_HOST_OFFSET(FormatRecord, greenLUT, 320, 340);
DORV_HOST_OFFSET(FormatRecord, blueLUT, 576, 596);
DORV_HOST_OFFSET(FormatRecord, data, 832, 852);
DORV_HOST_OFFSET(FormatRecord, theRect, 836, 860);
DORV_HOST_OFFSET(FormatRecord, loPlane, 844, 868);
DORV_HOST_OFFSET(FormatRecord, hiPlane, 846, 870);
DORV_HOST_OFFSET(FormatRecord, colBytes, 848, 872);
DORV_HOST_OFFSET(FormatRecord, rowBytes, 852, 876);
DORV_HOST_OFFSET(FormatRecord, planeBytes, 856, 880);
DORV_HOST_OFFSET(FormatRecord, planeMap, 860, 884);
DORV_HOST_OFFSET(FormatRecord, canTranspose, 892, 916);
DORV_HOST_OFFSET(FormatRecord, needTranspose, 893, 917);
DORV_HOST_OFFSET(FormatRecord, hostSig, 896, 920);
DORV_HOST_OFFSET(FormatRecord, hostProc, 900, 924);
DORV_HOST_OFFSET(FormatRecord, hostModes, 904, 932);
DORV_HOST_OFFSET(FormatRecord, revertInfo, 908, 936);
DORV_HOST_OFFSET(FormatRecord, hostNewHdl, 912, 944);
DORV_HOST_OFFSET(FormatRecord, hostDisposeHdl, 916, 952);
DORV_HOST_OFFSET(FormatRecord, imageRsrcData, 920, 960);
DORV_HOST_OFFSET(FormatRecord, imageRsrcSize, 924, 968);
DORV_HOST_OFFSET(FormatRecord, monitor, 928, 972);
DORV_HOST_OFFSET(FormatRecord, platformData, 968, 1012);
DORV_HOST_OFFSET(FormatRecord, bufferProcs, 972, 1020);
DORV_HOST_OFFSET(FormatRecord, resourceProcs, 976, 1028);
DORV_HOST_OFFSET(FormatRecord, processEvent, 980, 1036);
DORV_HOST_OFFSET(FormatRecord, displayPixels, 984, 1044);
DORV_HOST_OFFSET(FormatRecord, handleProcs, 988, 1052);
DORV_HOST_OFFSET(FormatRecord, fileType, 992, 1060);
DORV_HOST_OFFSET(FormatRecord, colorServices, 996, 1064);
DORV_HOST_OFFSET(FormatRecord, advanceState, 1000, 1072);
DORV_HOST_OFFSET(FormatRecord, propertyProcs, 1004, 1080);
DORV_HOST_OFFSET(FormatRecord, imageServicesProcs, 1008, 1088);
DORV_HOST_OFFSET(FormatRecord, tileWidth, 1012, 1096);
DORV_HOST_OFFSET(FormatRecord, tileHeight, 1014, 1098);
DORV_HOST_OFFSET(FormatRecord, tileOrigin, 1016, 1100);
DORV_HOST_OFFSET(FormatRecord, descriptorParameters, 1020, 1104);
DORV_HOST_OFFSET(FormatRecord, errorString, 1024, 1112);
DORV_HOST_OFFSET(FormatRecord, maxValue, 1028, 1120);
DORV_HOST_OFFSET(FormatRecord, sSPBasic, 1032, 1124);
DORV_HOST_OFFSET(FormatRecord, plugInRef, 1036, 1132);
DORV_HOST_OFFSET(FormatRecord, transparentIndex, 1040, 1140);
DORV_HOST_OFFSET(FormatRecord, iCCprofileData, 1044, 1144);
DORV_HOST_OFFSET(FormatRecord, iCCprofileSize, 1048, 1152);
DORV_HOST_OFFSET(FormatRecord, canUseICCProfiles, 1052, 1156);
DORV_HOST_OFFSET(FormatRecord, lutCount, 1056, 1160);
DORV_HOST_OFFSET(FormatRecord, preferredColorModes, 1060, 1164);
DORV_HOST_OFFSET(FormatRecord, convertMode, 1064, 1168);
DORV_HOST_OFFSET(FormatRecord, preferredSize, 1068, 1172);
DORV_HOST_OFFSET(FormatRecord, imageIndex, 1076, 1180);
DORV_HOST_OFFSET(FormatRecord, transparencyPlane, 1080, 1184);
DORV_HOST_OFFSET(FormatRecord, transparencyMatting, 1084, 1188);
DORV_HOST_OFFSET(FormatRecord, channelPortProcs, 1088, 1192);
DORV_HOST_OFFSET(FormatRecord, documentInfo, 1092, 1200);
DORV_HOST_OFFSET(FormatRecord, openForPreview, 1096, 1208);
DORV_HOST_OFFSET(FormatRecord, browserRotation, 1100, 1212);
DORV_HOST_OFFSET(FormatRecord, HostSupports32BitCoordinates, 1104, 1216);
DORV_HOST_OFFSET(FormatRecord, PluginUsing32BitCoordinates, 1108, 1220);
DORV_HOST_OFFSET(FormatRecord, imageSize32, 1112, 1224);
DORV_HOST_OFFSET(FormatRecord, theRect32, 1120, 1232);
DORV_HOST_OFFSET(FormatRecord, requestedFileProperty, 1136, 1248);
DORV_HOST_OFFSET(FormatRecord, filePropertyValue, 1140, 1252);
DORV_HOST_OFFSET(FormatRecord, fileCount, 1144, 1256);
DORV_HOST_OFFSET(FormatRecord, xmp, 1148, 1260);
DORV_HOST_OFFSET(FormatRecord, supportsSkipFile, 1152, 1268);
DORV_HOST_OFFSET(FormatRecord, extractQuickThumbnail, 1156, 1272);
DORV_HOST_OFFSET(FormatRecord, hostInSecondaryThread, 1157, 1273);
DORV_HOST_OFFSET(FormatRecord, bulkMask, 1160, 1276);
DORV_HOST_OFFSET(FormatRecord, bulkFlags, 1164, 1280);
DORV_HOST_OFFSET(FormatRecord, presetCount, 1168, 1288);
DORV_HOST_OFFSET(FormatRecord, presetNames, 1172, 1292);
DORV_HOST_OFFSET(FormatRecord, presetData, 1176, 1300);
DORV_HOST_OFFSET(FormatRecord, settingsChecksum, 1180, 1308);
DORV_HOST_OFFSET(FormatRecord, fileSpec2, 1184, 1312);
DORV_HOST_OFFSET(FormatRecord, layerData, 1188, 1320);
DORV_HOST_OFFSET(FormatRecord, layerName, 1192, 1324);
DORV_HOST_OFFSET(FormatRecord, renderRecord, 1196, 1332);
DORV_HOST_OFFSET(FormatRecord, bulkParams, 1200, 1340);
DORV_HOST_OFFSET(FormatRecord, openAsSmartObject, 1204, 1348);
DORV_HOST_OFFSET(FormatRecord, layerMetaData, 1208, 1352);
DORV_HOST_OFFSET(FormatRecord, finalSpec, 1212, 1360);
DORV_HOST_OFFSET(FormatRecord, isTextLayer, 1216, 1368);
DORV_HOST_OFFSET(FormatRecord, textDescriptor, 1220, 1372);
DORV_HOST_OFFSET(FormatRecord, isGroupDivider, 1224, 1380);
DORV_HOST_OFFSET(FormatRecord, isGroupStart, 1225, 1381);
DORV_HOST_OFFSET(FormatRecord, isVisible, 1226, 1382);
DORV_HOST_OFFSET(FormatRecord, isLocked, 1227, 1383);
DORV_HOST_OFFSET(FormatRecord, blendMode, 1228, 1384);
DORV_HOST_OFFSET(FormatRecord, opacity, 1232, 1388);
DORV_HOST_OFFSET(FormatRecord, bulkExtraData, 1236, 1392);
DORV_HOST_OFFSET(FormatRecord, fileSpecX, 1240, 1400);
DORV_HOST_OFFSET(FormatRecord, hostSupportsPOSIXIO, 1244, 1408);
DORV_HOST_OFFSET(FormatRecord, pluginUsingPOSIXIO, 1246, 1410);
DORV_HOST_OFFSET(FormatRecord, posixFileDescriptor, 1248, 1412);
DORV_HOST_OFFSET(FormatRecord, hostSupportsPluginOpeningFile, 1252, 1416);
DORV_HOST_OFFSET(FormatRecord, hostSupportsSingleOpenToBulkSwitch, 1253, 1417);
DORV_HOST_OFFSET(FormatRecord, pluginWantsSingleOpenToBulkSwitch, 1254, 1418);
DORV_HOST_OFFSET(FormatRecord, reserved, 1255, 1419);
DORV_HOST_SIZE(FormatRecord, 1308, 1472);
static_assert(alignof(FormatRecord) == 4, "the host packs the format record to 4 bytes");

// The widths of the fields the module reads or writes.
DORV_HOST_WIDTH(FormatRecord, maxData, 4, 4);
DORV_HOST_WIDTH(FormatRecord, minDataBytes, 4, 4);
DORV_HOST_WIDTH(FormatRecord, maxDataBytes, 4, 4);
DORV_HOST_WIDTH(FormatRecord, dataFork, 4, 8);
DORV_HOST_WIDTH(FormatRecord, imageMode, 2, 2);
DORV_HOST_WIDTH(FormatRecord, imageSize, 4, 4);
DORV_HOST_WIDTH(FormatRecord, depth, 2, 2);
DORV_HOST_WIDTH(FormatRecord, planes, 2, 2);
DORV_HOST_WIDTH(FormatRecord, redLUT, 256, 256);
DORV_HOST_WIDTH(FormatRecord, greenLUT, 256, 256);
DORV_HOST_WIDTH(FormatRecord, blueLUT, 256, 256);
DORV_HOST_WIDTH(FormatRecord, data, 4, 8);
DORV_HOST_WIDTH(FormatRecord, theRect, 8, 8);
DORV_HOST_WIDTH(FormatRecord, loPlane, 2, 2);
DORV_HOST_WIDTH(FormatRecord, hiPlane, 2, 2);
DORV_HOST_WIDTH(FormatRecord, colBytes, 2, 2);
DORV_HOST_WIDTH(FormatRecord, rowBytes, 4, 4);
DORV_HOST_WIDTH(FormatRecord, planeBytes, 4, 4);
DORV_HOST_WIDTH(FormatRecord, imageRsrcData, 4, 8);
DORV_HOST_WIDTH(FormatRecord, imageRsrcSize, 4, 4);
DORV_HOST_WIDTH(FormatRecord, resourceProcs, 4, 8);
DORV_HOST_WIDTH(FormatRecord, advanceState, 4, 8);
DORV_HOST_WIDTH(FormatRecord, sSPBasic, 4, 8);
DORV_HOST_WIDTH(FormatRecord, transparentIndex, 4, 4);
DORV_HOST_WIDTH(FormatRecord, canUseICCProfiles, 4, 4);
DORV_HOST_WIDTH(FormatRecord, transparencyPlane, 4, 4);
DORV_HOST_WIDTH(FormatRecord, HostSupports32BitCoordinates, 4, 4);
DORV_HOST_WIDTH(FormatRecord, PluginUsing32BitCoordinates, 4, 4);
DORV_HOST_WIDTH(FormatRecord, imageSize32, 8, 8);
DORV_HOST_WIDTH(FormatRecord, theRect32, 16, 16);

// The bytes an older host's record holds at least: up to `theRect32`.
inline constexpr std::size_t kShortestFormatRecord =
    offsetof(FormatRecord, theRect32) + sizeof(VRect);
static_assert(kShortestFormatRecord == DORV_HOST_PICK(1136, 1248));

// ---- The about selector's parameter block. The module reads none of it.
struct PlatformData {
  void* hwnd;  // the window that should own the module's windows
};

struct AboutRecord {
  void* platformData;  // a PlatformData
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  char reserved[244];
};

DORV_HOST_OFFSET(AboutRecord, platformData, 0, 0);
DORV_HOST_OFFSET(AboutRecord, sSPBasic, 4, 8);
DORV_HOST_OFFSET(AboutRecord, plugInRef, 8, 16);
DORV_HOST_OFFSET(AboutRecord, reserved, 12, 24);
DORV_HOST_SIZE(AboutRecord, 256, 272);

}  // namespace dorv::host_api
