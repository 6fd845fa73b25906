// THeaderInfo: the 40-byte summary of a container header. It is also a stored
// format (older files hold it verbatim) and the tail of the read info handed
// to the plug-in, so its layout is exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/core/comp_type.h"
#include "converter/core/format_names.h"

namespace dorv {

class TStream;
class TXmlElement;

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
static_assert(sizeof(THeaderInfo) == record::kSize);
static_assert(offsetof(THeaderInfo, SyncPal) == record::kSyncPal);
static_assert(offsetof(THeaderInfo, BGColor) == record::kBGColor);
static_assert(offsetof(THeaderInfo, NotFillBG) == record::kNotFillBG);

// Little-endian byte form, independent of the host's byte order.
void StoreHeaderInfo(const THeaderInfo& info, std::span<uint8_t, record::kSize> out);
THeaderInfo LoadHeaderInfo(std::span<const uint8_t, record::kSize> bytes);

// Reads a current file's header at the stream's position (just after the
// magic): its length, its zlib stream and its element tree.
void ReadHeaderTree(TStream& stream, TXmlElement& root);

// Fills the record from the root element's attributes, with the defaults of a
// header that leaves an attribute out.
THeaderInfo HeaderInfoFromXml(const TXmlElement& root);

// Row coding or block coding of planes.
inline bool UsesBlocks(const THeaderInfo& h) {
  return h.BlockWidth > 0 && h.BlockHeight > 0 && h.CompType != kCompJpeg;
}

}  // namespace dorv
