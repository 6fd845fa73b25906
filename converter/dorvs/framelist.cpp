#include "converter/dorvs/framelist.h"

#include "converter/core/call_limits.h"

#include <algorithm>
#include <cstring>

#include "converter/core/errors.h"
#include "converter/core/format_names.h"
#include "converter/core/limits.h"
#include "converter/core/messages.h"
#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/frame_budget.h"
#include "converter/dorvs/legacy_reader.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"
#include "converter/xml/xmltree.h"

namespace dorv {

namespace {
}  // namespace

TDorvFrame& TDorvFrameList::AddFrame() {
  frames_.push_back(std::make_unique<TDorvFrame>());
  return *frames_.back();
}

TDorvFrame& TDorvFrameList::GetFrame(int index) const {
  if (index < 0 || index >= Count()) throw EListError(msg::kGetFrame);
  return *frames_[static_cast<size_t>(index)];
}

void TDorvFrameList::ReleaseLayers() {
  for (auto& f : frames_) f->Clear();
}

void TDorvFrameList::LoadFromStream(TStream& stream, bool firstFrameOnly, const TLayerPixels* firstLayerPixels) {
  const int64_t start = stream.Position();
  uint8_t magic[kMagicSize] = {};
  size_t got = 0;
  while (got < kMagicSize) {
    size_t n = stream.Read(magic + got, kMagicSize - got);
    if (n == 0) break;
    got += n;
  }
  if (got < kMagicPrefixSize || std::memcmp(magic, kMagic, kMagicPrefixSize) != 0) {
    stream.SetPosition(start);
    LoadLegacy(*this, stream, firstFrameOnly);
    return;
  }
  if (got < kMagicSize) throw EReadError(msg::kStreamRead);
  int generation = (magic[5] >= '0' && magic[5] <= '9') ? magic[5] - '0' : 0;
  if (generation > 2) throw EFormatError(msg::kUnreadableFormat);

  Clear();
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
  TXmlElement root;
  root.LoadFromStream(header);

  const THeaderInfo info = HeaderInfoFromXml(root);
  CheckFrameCount(info.Count);
  LoadedHeader = info;
  BGColor = info.BGColor;
  NotFillBG = info.NotFillBG != 0;

  TBackgroundBudget backgroundOnly;
  for (int32_t i = 0; i < info.Count; ++i) {
    const TXmlElement* child = root.Child(i);
    if (child == nullptr || !SameName(child->Name, xml::kFrame)) {
      if (i == 0) throw EFormatError(msg::kFileCorrupt);
      break;
    }
    TDorvFrame& frame = AddFrame();
    frame.ReadXml(*child, stream, TReadContext{info, *this, i == 0 ? firstLayerPixels : nullptr, &backgroundOnly});
  }
  if (!KeepLayers) ReleaseLayers();
}

void TDorvFrameList::GetHeaderInfo(THeaderInfo& info, int32_t compType, int32_t compLevel) const {
  const TDorvFrame& first = GetFrame(0);
  info.Version = kVersionWritten;
  info.Width = first.FrameWidth();
  info.Height = first.FrameHeight();
  info.Bpp = first.FrameDepth();
  info.Count = Count();
  info.SyncPal = 1;
  info.BGColor = BGColor;
  info.BlockWidth = 0;
  info.BlockHeight = 0;
  info.NotFillBG = NotFillBG ? 1 : 0;
  info.Randomized = Code != 0 ? 1 : 0;
  info.CompType = static_cast<uint8_t>(StoredCompType(compType));
  info.CompLevel = static_cast<uint8_t>(compLevel);
}

void TDorvFrameList::SaveToStream(TStream& stream, const TSaveOptions& options) const {
  THeaderInfo info;
  GetHeaderInfo(info, options.CompType, options.CompLevel);

  TXmlElement root(xml::kFrames);
  root.SetIntAttr(xml::kVersion, info.Version);
  root.SetIntAttr(xml::kWidth, info.Width);
  root.SetIntAttr(xml::kHeight, info.Height);
  root.SetIntAttr(xml::kBpp, info.Bpp);
  root.SetIntAttr(xml::kCount, info.Count);
  root.SetBoolAttr(xml::kSyncPal, info.SyncPal != 0);
  root.SetBoolAttr(xml::kRandomized, info.Randomized != 0);
  root.SetIntAttr(xml::kCompType, info.CompType);
  root.SetIntAttr(xml::kCompLevel, info.CompLevel);
  root.SetIntAttr(xml::kBGColor, info.BGColor);
  root.SetIntAttr(xml::kBlockWidth, info.BlockWidth);
  root.SetIntAttr(xml::kBlockHeight, info.BlockHeight);
  root.SetBoolAttr(xml::kNotFillBG, info.NotFillBG != 0);

  TPieceList data;
  for (const auto& frame : frames_)
    frame->WriteXml(*root.AddChild(xml::kFrame), data, info, Code, frame == frames_.front() ? options.Rows : nullptr);

  TMemoryStream header;
  root.SaveToStream(header);
  CompressStream(header);

  stream.Expect(kMagicSize + 4 + header.Length() + data.Size());
  stream.WriteBuffer(kMagic, kMagicSize);
  stream.WriteInt32(static_cast<int32_t>(header.Length()));
  stream.WriteBuffer(header.Data(), header.Length());
  data.WriteTo(stream);
}

}  // namespace dorv
