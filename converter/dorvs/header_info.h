// THeaderInfo: the 40-byte summary of a container header. It is also a stored
// format (older files hold it verbatim) and the tail of the read info handed
// to the plug-in, so its layout is exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/core/comp_type.h"

namespace dorv {

class TXmlElement;

// The file versions from which a file holds what is named.
inline constexpr int32_t kVersionAlphaRecords = 100;   // an alpha plane record after each colour record
inline constexpr int32_t kVersionAlphaOn = 101;        // the layer's AlphaOn byte
inline constexpr int32_t kVersionBGColor = 102;        // (this version only) a background colour after the count
inline constexpr int32_t kVersionCurrentCoding = 103;  // the header record and the current plane coding
inline constexpr int32_t kVersionExtraTables = 104;    // two extra tables after each frame's layers
inline constexpr int32_t kVersionNotFillBG = 105;      // the header record's NotFillBG byte
inline constexpr int32_t kVersionWritten = 200;        // what this system writes

struct THeaderInfo {
  int32_t Version = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bpp = 0;
  int32_t Count = 0;
  uint8_t SyncPal = 0;
  uint8_t Randomized = 0;
  uint8_t CompType = 0;
  uint8_t Reserved1 = 0;
  int32_t BGColor = 0;
  int32_t BlockWidth = 0;
  int32_t BlockHeight = 0;
  uint8_t NotFillBG = 0;
  uint8_t CompLevel = 0;
  uint8_t Reserved2[2] = {0, 0};
};
static_assert(sizeof(THeaderInfo) == 40);
static_assert(offsetof(THeaderInfo, SyncPal) == 20);
static_assert(offsetof(THeaderInfo, BGColor) == 24);
static_assert(offsetof(THeaderInfo, NotFillBG) == 36);

inline constexpr size_t kHeaderInfoSize = 40;

// Little-endian byte form, independent of the host's byte order.
void StoreHeaderInfo(const THeaderInfo& info, std::span<uint8_t, kHeaderInfoSize> out);
THeaderInfo LoadHeaderInfo(std::span<const uint8_t, kHeaderInfoSize> bytes);

// Fills the record from the root element's attributes, with the defaults of a
// header that leaves an attribute out.
THeaderInfo HeaderInfoFromXml(const TXmlElement& root);

// Row coding or block coding of planes.
inline bool UsesBlocks(const THeaderInfo& h) {
  return h.BlockWidth > 0 && h.BlockHeight > 0 && h.CompType != kCompJpeg;
}

}  // namespace dorv
