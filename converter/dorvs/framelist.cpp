#include "converter/dorvs/framelist.h"

#include <cstring>

#include "converter/core/call_limits.h"
#include "converter/core/errors.h"
#include "converter/core/format_names.h"
#include "converter/core/messages.h"
#include "converter/dorvs/frame_budget.h"
#include "converter/dorvs/legacy_reader.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"
#include "converter/xml/xmltree.h"

namespace dorv {

void TDorvFrameList::LoadFromStream(TStream& stream, bool firstFrameOnly, const TCallerRows* rows,
                                    const TRunner& runner) {
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
    LoadLegacy(stream, firstFrameOnly, runner);
    return;
  }
  if (got < kMagicSize) throw EReadError(msg::kStreamRead);
  int generation = (magic[5] >= '0' && magic[5] <= '9') ? magic[5] - '0' : 0;
  if (generation > 2) throw EFormatError(msg::kUnreadableFormat);
  LoadCurrent(stream, rows, runner);
}

void TDorvFrameList::LoadCurrent(TStream& stream, const TCallerRows* rows, const TRunner& runner) {
  frames_.Clear();
  TXmlElement root;
  ReadHeaderTree(stream, root);

  const THeaderInfo info = HeaderInfoFromXml(root);
  CheckFrameCount(info.Count);
  LoadedHeader = info;
  BGColor = info.BGColor;
  NotFillBG = info.NotFillBG != 0;

  TBackgroundBudget backgroundOnly;
  TReadContext ctx{info, runner, Code, BGColor, NotFillBG, frames_, rows, &backgroundOnly};
  for (int32_t i = 0; i < info.Count; ++i) {
    const TXmlElement* child = root.Child(i);
    if (child == nullptr || !SameName(child->Name, xml::kFrame)) {
      if (i == 0) throw EFormatError(msg::kFileCorrupt);
      break;
    }
    TDorvFrame& frame = AddFrame();
    frame.ReadXml(*child, stream, ctx);
    ctx.Rows = nullptr;  // the caller's rows are the first frame's
  }
  if (!KeepLayers) ReleaseLayers();
}

void TDorvFrameList::LoadLegacy(TStream& stream, bool firstFrameOnly, const TRunner& runner) {
  frames_.Clear();
  const TLegacyHeader legacy = ReadLegacyHeader(stream);
  if (legacy.BGColor) BGColor = *legacy.BGColor;
  NotFillBG = legacy.NotFillBG;
  LoadedHeader = legacy.Header;
  int32_t frames = legacy.Frames;
  if (firstFrameOnly && frames > 1) frames = 1;

  TBackgroundBudget backgroundOnly;
  const TReadContext ctx{legacy.Header, runner, Code, BGColor, NotFillBG, frames_, nullptr, &backgroundOnly};
  ReadLegacyFrames(stream, frames, ctx, frames_);
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

void TDorvFrameList::SaveToStream(TStream& stream, const TSaveOptions& options, const TRunner& runner) const {
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
  for (int i = 0; i < Count(); ++i) {
    const TSaveContext ctx{.Header = info, .Code = Code, .Runner = runner, .Rows = i == 0 ? options.Rows : nullptr};
    GetFrame(i).WriteXml(*root.AddChild(xml::kFrame), data, ctx);
  }

  TMemoryStream header;
  root.SaveToStream(header);
  CompressStream(header, kZlibDefaultLevel, runner);

  stream.Expect(kMagicSize + 4 + header.Length() + data.Size());
  stream.WriteBuffer(kMagic, kMagicSize);
  stream.WriteInt32(static_cast<int32_t>(header.Length()));
  stream.WriteBuffer(header.Data(), header.Length());
  data.WriteTo(stream);
}

}  // namespace dorv
