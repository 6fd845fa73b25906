#include "converter/dorvs/header_info.h"

#include <algorithm>
#include <utility>

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

// The record's fields: numbers of four bytes and single bytes, each at its
// offset. Store and load go through the same list.
constexpr std::pair<int32_t THeaderInfo::*, size_t> kNumbers[] = {
    {&THeaderInfo::Version, record::kVersion}, {&THeaderInfo::Width, record::kWidth},
    {&THeaderInfo::Height, record::kHeight}, {&THeaderInfo::Bpp, record::kBpp},
    {&THeaderInfo::Count, record::kCount}, {&THeaderInfo::BGColor, record::kBGColor},
    {&THeaderInfo::BlockWidth, record::kBlockWidth}, {&THeaderInfo::BlockHeight, record::kBlockHeight}};
constexpr std::pair<uint8_t THeaderInfo::*, size_t> kBytes[] = {
    {&THeaderInfo::SyncPal, record::kSyncPal}, {&THeaderInfo::Randomized, record::kRandomized},
    {&THeaderInfo::CompType, record::kCompType}, {&THeaderInfo::Reserved1, record::kReserved1},
    {&THeaderInfo::NotFillBG, record::kNotFillBG}, {&THeaderInfo::CompLevel, record::kCompLevel}};

void StoreHeaderInfo(const THeaderInfo& h, std::span<uint8_t, record::kSize> out) {
  for (const auto& [field, at] : kNumbers) le::StoreInt32(out.data() + at, h.*field);
  for (const auto& [field, at] : kBytes) out[at] = h.*field;
  for (size_t i = 0; i < 2; ++i) out[record::kReserved2 + i] = h.Reserved2[i];
}

THeaderInfo LoadHeaderInfo(std::span<const uint8_t, record::kSize> bytes) {
  THeaderInfo h;
  for (const auto& [field, at] : kNumbers) h.*field = le::LoadInt32(bytes.data() + at);
  for (const auto& [field, at] : kBytes) h.*field = bytes[at];
  for (size_t i = 0; i < 2; ++i) h.Reserved2[i] = bytes[record::kReserved2 + i];
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
