// Every value a document stores, named once: the magics, the versions, the
// elements and attributes of the header XML, the fields of the 40-byte
// header record, and the defaults a reader or a save falls back on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv {

// A current file starts "DorvX" and its generation's three digits; an older
// binary file starts "Dorv" and three digits of its version.
inline constexpr char kMagic[] = "DorvX200";  // what this system writes
inline constexpr size_t kMagicSize = 8;
inline constexpr size_t kMagicPrefixSize = 5;        // "DorvX"
inline constexpr size_t kLegacyMagicPrefixSize = 4;  // "Dorv"
inline constexpr size_t kLegacyMagicSize = 7;

// The file versions from which a file holds what is named.
inline constexpr int32_t kVersionAlphaRecords = 100;   // an alpha plane record after each colour record
inline constexpr int32_t kVersionAlphaOn = 101;        // the layer's AlphaOn byte
inline constexpr int32_t kVersionBGColor = 102;        // (this version only) a background colour after the count
inline constexpr int32_t kVersionCurrentCoding = 103;  // the header record and the current plane coding
inline constexpr int32_t kVersionExtraTables = 104;    // two extra tables after each frame's layers
inline constexpr int32_t kVersionNotFillBG = 105;      // the header record's NotFillBG byte
inline constexpr int32_t kVersionWritten = 200;        // what this system writes

// Elements and attributes of the header XML.
namespace xml {
inline constexpr char kFrames[] = "Frames";
inline constexpr char kFrame[] = "Frame";
inline constexpr char kLayers[] = "Layers";
inline constexpr char kLayer[] = "Layer";
inline constexpr char kPalette[] = "RGB";

inline constexpr char kVersion[] = "Version";
inline constexpr char kWidth[] = "Width";
inline constexpr char kHeight[] = "Height";
inline constexpr char kBpp[] = "Bpp";
inline constexpr char kCount[] = "Count";
inline constexpr char kSyncPal[] = "SyncPal";
inline constexpr char kRandomized[] = "Randomized";
inline constexpr char kCompType[] = "CompType";
inline constexpr char kCompLevel[] = "CompLevel";
inline constexpr char kBGColor[] = "BGColor";
inline constexpr char kBlockWidth[] = "BlockWidth";
inline constexpr char kBlockHeight[] = "BlockHeight";
inline constexpr char kNotFillBG[] = "NotFillBG";
inline constexpr char kName[] = "Name";
inline constexpr char kTransColor[] = "TransColor";
inline constexpr char kDelay[] = "Delay";
inline constexpr char kDisposal[] = "Disposal";
inline constexpr char kVisible[] = "Visible";
inline constexpr char kAlpha[] = "Alpha";
inline constexpr char kAlphaOn[] = "AlphaOn";
inline constexpr char kLeft[] = "Left";
inline constexpr char kTop[] = "Top";
inline constexpr char kLock[] = "Lock";
}  // namespace xml

// Byte offsets of the header record's fields; numbers are little-endian.
namespace record {
inline constexpr size_t kVersion = 0;
inline constexpr size_t kWidth = 4;
inline constexpr size_t kHeight = 8;
inline constexpr size_t kBpp = 12;
inline constexpr size_t kCount = 16;
inline constexpr size_t kSyncPal = 20;
inline constexpr size_t kRandomized = 21;
inline constexpr size_t kCompType = 22;
inline constexpr size_t kReserved1 = 23;
inline constexpr size_t kBGColor = 24;
inline constexpr size_t kBlockWidth = 28;
inline constexpr size_t kBlockHeight = 32;
inline constexpr size_t kNotFillBG = 36;
inline constexpr size_t kCompLevel = 37;
inline constexpr size_t kReserved2 = 38;
inline constexpr size_t kSize = 40;
}  // namespace record

// What an element that leaves an attribute out is read as, and what a save
// that is not told otherwise stores.
namespace defaults {
inline constexpr int32_t kWidth = 100;
inline constexpr int32_t kHeight = 100;
inline constexpr int32_t kBpp = 8;
inline constexpr int32_t kBlockSide = 32;
inline constexpr bool kNotFillBG = true;
inline constexpr int32_t kTransColor = -1;  // no transparent colour
inline constexpr int32_t kLayerAlpha = 255;
inline constexpr bool kLayerVisible = true;
inline constexpr int32_t kQuality = 70;  // JPEG quality, stored as CompLevel
inline constexpr char kLayerName[] = "Layer";
}  // namespace defaults

}  // namespace dorv
