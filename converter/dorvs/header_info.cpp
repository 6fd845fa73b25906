#include "converter/dorvs/header_info.h"

#include <algorithm>

#include "converter/core/limits.h"
#include "converter/core/little_endian.h"
#include "converter/dorvs/corrupt.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"
#include "converter/xml/xmltree.h"

namespace dorv {

void ReadHeaderTree(TStream& stream, TXmlElement& root) {
  const int32_t headerLength = stream.ReadInt32();
  // A header of no bytes, a negative length or one that runs past the end of
  // the file cannot be a header: refuse it before reserving memory for it.
  if (headerLength <= 0) ThrowCorrupt("header length is not positive");
  if (headerLength > stream.Remaining()) ThrowCorrupt("header runs past the end of the file");
  TMemoryStream header;
  CopyStreamPart(header, stream, headerLength);
  DecompressStream(header, limits::kMaxHeaderTextBytes);
  // Each tag becomes an element of far more bytes than its text: the count
  // is checked before the tree is built.
  if (static_cast<uint64_t>(std::count(header.Data(), header.Data() + header.Length(), uint8_t{'<'})) >
      limits::kMaxHeaderTags)
    ThrowCorrupt("header holds too many elements");
  root.LoadFromStream(header);
}

void StoreHeaderInfo(const THeaderInfo& h, std::span<uint8_t, kHeaderInfoSize> out) {
  uint8_t* p = out.data();
  le::StoreInt32(p + record::kVersion, h.Version);
  le::StoreInt32(p + record::kWidth, h.Width);
  le::StoreInt32(p + record::kHeight, h.Height);
  le::StoreInt32(p + record::kBpp, h.Bpp);
  le::StoreInt32(p + record::kCount, h.Count);
  p[record::kSyncPal] = h.SyncPal;
  p[record::kRandomized] = h.Randomized;
  p[record::kCompType] = h.CompType;
  p[record::kReserved1] = h.Reserved1;
  le::StoreInt32(p + record::kBGColor, h.BGColor);
  le::StoreInt32(p + record::kBlockWidth, h.BlockWidth);
  le::StoreInt32(p + record::kBlockHeight, h.BlockHeight);
  p[record::kNotFillBG] = h.NotFillBG;
  p[record::kCompLevel] = h.CompLevel;
  p[record::kReserved2] = h.Reserved2[0];
  p[record::kReserved2 + 1] = h.Reserved2[1];
}

THeaderInfo LoadHeaderInfo(std::span<const uint8_t, kHeaderInfoSize> bytes) {
  const uint8_t* p = bytes.data();
  THeaderInfo h;
  h.Version = le::LoadInt32(p + record::kVersion);
  h.Width = le::LoadInt32(p + record::kWidth);
  h.Height = le::LoadInt32(p + record::kHeight);
  h.Bpp = le::LoadInt32(p + record::kBpp);
  h.Count = le::LoadInt32(p + record::kCount);
  h.SyncPal = p[record::kSyncPal];
  h.Randomized = p[record::kRandomized];
  h.CompType = p[record::kCompType];
  h.Reserved1 = p[record::kReserved1];
  h.BGColor = le::LoadInt32(p + record::kBGColor);
  h.BlockWidth = le::LoadInt32(p + record::kBlockWidth);
  h.BlockHeight = le::LoadInt32(p + record::kBlockHeight);
  h.NotFillBG = p[record::kNotFillBG];
  h.CompLevel = p[record::kCompLevel];
  h.Reserved2[0] = p[record::kReserved2];
  h.Reserved2[1] = p[record::kReserved2 + 1];
  return h;
}

THeaderInfo HeaderInfoFromXml(const TXmlElement& root) {
  THeaderInfo h;
  h.Version = root.GetIntAttr(xml::kVersion, kVersionWritten);
  h.Width = root.GetIntAttr(xml::kWidth, defaults::kWidth);
  h.Height = root.GetIntAttr(xml::kHeight, defaults::kHeight);
  h.Bpp = root.GetIntAttr(xml::kBpp, defaults::kBpp);
  h.Count = root.GetIntAttr(xml::kCount, 0);
  h.SyncPal = root.GetBoolAttr(xml::kSyncPal, false) ? 1 : 0;
  h.Randomized = root.GetBoolAttr(xml::kRandomized, false) ? 1 : 0;
  h.CompType = static_cast<uint8_t>(root.GetIntAttr(xml::kCompType, 0) & 0xFF);
  h.CompLevel = static_cast<uint8_t>(root.GetIntAttr(xml::kCompLevel, 0) & 0xFF);
  h.BGColor = root.GetIntAttr(xml::kBGColor, 0);
  h.BlockWidth = root.GetIntAttr(xml::kBlockWidth, defaults::kBlockSide);
  h.BlockHeight = root.GetIntAttr(xml::kBlockHeight, defaults::kBlockSide);
  h.NotFillBG = root.GetBoolAttr(xml::kNotFillBG, defaults::kNotFillBG) ? 1 : 0;
  return h;
}

}  // namespace dorv
