// Every value a document stores, named once: the magics, the versions, the
// elements and attributes of the header XML, the fields of the 40-byte header
// record, and the defaults a reader or a save falls back on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv {

// A current file starts "DorvX" and three digits of its generation. An
// older binary file starts "Dorv" and three digits of its version.
inline constexpr char kMagic[] = "DorvX200";  // what this system writes
inline constexpr size_t kMagicSize = 8, kMagicPrefixSize = 5;
inline constexpr size_t kLegacyMagicSize = 7, kLegacyMagicPrefixSize = 4;

// The file versions from which a file holds what is named.
inline constexpr int32_t kVersionAlphaRecords = 100;   // an alpha plane record after each colour record
inline constexpr int32_t kVersionAlphaOn = 101;        // the layer's AlphaOn byte
inline constexpr int32_t kVersionBGColor = 102;        // (this version only) a background colour after the count
inline constexpr int32_t kVersionCurrentCoding = 103;  // the header record and the current plane coding
inline constexpr int32_t kVersionExtraTables = 104;    // two extra tables after each frame's layers
inline constexpr int32_t kVersionNotFillBG = 105;      // the header record's NotFillBG byte
inline constexpr int32_t kVersionWritten = 200;        // what this system writes

namespace xml {
// Elements: the root, each frame, its layer list, each layer, a palette.
inline constexpr char kFrames[] = "Frames", kFrame[] = "Frame", kLayers[] = "Layers", kLayer[] = "Layer",
                      kPalette[] = "RGB";
// The root's attributes; Layers repeats the first four.
inline constexpr char kVersion[] = "Version", kWidth[] = "Width", kHeight[] = "Height", kBpp[] = "Bpp",
                      kCount[] = "Count", kSyncPal[] = "SyncPal", kRandomized[] = "Randomized",
                      kCompType[] = "CompType", kCompLevel[] = "CompLevel", kBGColor[] = "BGColor",
                      kBlockWidth[] = "BlockWidth", kBlockHeight[] = "BlockHeight", kNotFillBG[] = "NotFillBG";
// A frame's and a layer's attributes.
inline constexpr char kName[] = "Name", kTransColor[] = "TransColor", kDelay[] = "Delay", kDisposal[] = "Disposal",
                      kVisible[] = "Visible", kAlpha[] = "Alpha", kAlphaOn[] = "AlphaOn", kLeft[] = "Left",
                      kTop[] = "Top", kLock[] = "Lock";
}  // namespace xml

// Byte offsets of the header record's fields. Numbers are little-endian.
namespace record {
enum : size_t {
  kVersion = 0, kWidth = 4, kHeight = 8, kBpp = 12, kCount = 16, kSyncPal = 20, kRandomized = 21, kCompType = 22,
  kReserved1 = 23, kBGColor = 24, kBlockWidth = 28, kBlockHeight = 32, kNotFillBG = 36, kCompLevel = 37,
  kReserved2 = 38, kSize = 40
};
}  // namespace record

// What an element that leaves an attribute out is read as, and what a save
// stores when it is not told otherwise.
namespace defaults {
inline constexpr int32_t kWidth = 100, kHeight = 100, kBpp = 8, kBlockSide = 32;
inline constexpr bool kNotFillBG = true, kLayerVisible = true;
inline constexpr int32_t kTransColor = -1;  // no transparent colour
inline constexpr int32_t kLayerAlpha = 255;
inline constexpr int32_t kQuality = 70;  // JPEG quality, stored as CompLevel
inline constexpr char kLayerName[] = "Layer";
}  // namespace defaults

}  // namespace dorv
