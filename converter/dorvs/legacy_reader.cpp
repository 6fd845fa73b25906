#include "converter/dorvs/legacy_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "converter/core/call_limits.h"
#include "converter/core/errors.h"
#include "converter/core/format_names.h"
#include "converter/core/messages.h"
#include "converter/dorvs/compose.h"
#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/frame_budget.h"
#include "converter/dorvs/frames.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/plane_record.h"
#include "converter/dorvs/read_context.h"
#include "converter/streams/stream.h"
#include "converter/xml/xmltree.h"

namespace dorv {
namespace {

// The smallest layer record: skipped bytes, flag, key, opacity, name length
// and the colour record's length.
constexpr int64_t kMinLayerRecord = 8 + 1 + 4 + 4 + 4 + 4;

void Skip(TStream& s, int64_t n) {
  if (n > s.Remaining()) throw EReadError(msg::kStreamRead);
  s.Seek(n, SeekOrigin::Current);
}

std::string ReadString(TStream& s) {
  const int32_t n = s.ReadInt32();
  if (n < 0) ThrowCorrupt("negative string length");
  if (n > s.Remaining()) ThrowCorrupt("string runs past the end of the file");
  std::string text(static_cast<size_t>(n), '\0');
  s.ReadBuffer(text.data(), text.size());
  return text;
}

void SkipTable(TStream& s) {
  const int32_t count = s.ReadInt32();
  if (count <= 0) return;  // a negative count means no entries
  const int64_t bytes = static_cast<int64_t>(count) * 16;
  if (bytes > s.Remaining()) ThrowCorrupt("table runs past the end of the file");
  Skip(s, bytes);
}

// Bytes of a layer record before its colour record.
uint64_t LayerFieldBytes(const THeaderInfo& header) {
  return static_cast<uint64_t>(kMinLayerRecord - 4 + (header.Version >= kVersionAlphaOn ? 1 : 0));
}

void ReadLegacyLayer(TDorvLayer& layer, TStream& s, const TReadContext& ctx, const TDIBSurface& composite) {
  const THeaderInfo& header = ctx.Header;
  CheckLayerFits(header, composite.Width(), composite.Height(), composite.Depth(), s.Remaining(),
                 LayerFieldBytes(header));
  layer.Surface.Allocate(composite.Width(), composite.Height(), composite.Depth());
  Skip(s, 8);
  layer.Visible = s.ReadByte() != 0;
  layer.TransColor = s.ReadInt32();
  layer.Alpha = s.ReadInt32();
  layer.AlphaOn = header.Version >= kVersionAlphaOn ? s.ReadByte() != 0 : false;
  layer.Name = ReadString(s);

  ReadLayerRecords(ctx, s, layer.Surface, header.Version >= kVersionAlphaRecords);
  if (layer.AlphaOn && layer.Surface.AlphaPlane() != nullptr) layer.TransColor = -1;
}

void ReadLegacyFrame(TDorvFrame& frame, TStream& s, const TReadContext& ctx) {
  const THeaderInfo& header = ctx.Header;
  frame.Name = ReadString(s);
  frame.TransColor = s.ReadInt32();
  frame.Delay = s.ReadInt32();
  frame.Disposal = s.ReadByte();
  Skip(s, 4);
  const int32_t layers = s.ReadInt32();
  const int32_t width = s.ReadInt32();
  const int32_t height = s.ReadInt32();
  const int32_t depth = s.ReadInt32();
  // Layers are read as far as the file holds them: a frame cut short keeps
  // the layers read in full.
  const int64_t paletteBytes = depth <= 8 && depth >= 0 ? int64_t{4} << depth : 0;
  CheckFrameFits(header, width, height, depth, layers, s.Remaining() - paletteBytes, LayerFieldBytes(header));
  if (layers <= 0) ctx.BackgroundOnly->Charge(width, height);
  frame.Surface.Allocate(width, height, depth);

  if (paletteBytes > 0) {
    if (paletteBytes > s.Remaining()) ThrowCorrupt("palette runs past the end of the file");
    s.ReadBuffer(frame.Surface.Palette.data(), static_cast<size_t>(paletteBytes));
    frame.Surface.CommitPalette();
  }
  FillBackground(frame.Surface, ctx.BGColor);

  bool bottom = true;
  for (int32_t i = 0; i < layers; ++i) {
    TDorvLayer& layer = frame.AddLayer();
    ReadLegacyLayer(layer, s, ctx, frame.Surface);
    ComposeLayer(frame.Surface, layer, i, bottom, ctx.NotFillBG);
    ++frame.ComposedLayers;
  }
  if (header.Version >= kVersionExtraTables) {
    SkipTable(s);
    SkipTable(s);
  }
}

}  // namespace

TLegacyHeader ReadLegacyHeader(TStream& stream) {
  TLegacyHeader legacy;
  int32_t fileVersion = 0;
  char magic[kLegacyMagicSize] = {};
  size_t got = 0;
  while (got < sizeof magic) {
    size_t n = stream.Read(magic + got, sizeof magic - got);
    if (n == 0) break;
    got += n;
  }
  if (got >= kLegacyMagicPrefixSize && std::memcmp(magic, kMagic, kLegacyMagicPrefixSize) == 0) {
    if (got < sizeof magic) throw EReadError(msg::kStreamRead);
    const std::string digits(magic + kLegacyMagicPrefixSize, kLegacyMagicSize - kLegacyMagicPrefixSize);
    if (!TryStrToInt(digits, fileVersion))
      throw EConvertError(FormatMessage(msg::kInvalidInteger, digits));
  } else {
    stream.Seek(-static_cast<int64_t>(got), SeekOrigin::Current);
  }

  THeaderInfo& header = legacy.Header;
  int32_t& frames = legacy.Frames;
  if (fileVersion < kVersionCurrentCoding) {
    header.Version = fileVersion;
    frames = stream.ReadInt32();
    Skip(stream, 1);
    if (fileVersion == kVersionBGColor) legacy.BGColor = stream.ReadInt32();
  } else {
    const int32_t length = stream.ReadInt32();
    if (length < 0) ThrowCorrupt("negative header record length");
    if (length > stream.Remaining()) ThrowCorrupt("header record runs past the end of the file");
    uint8_t bytes[record::kSize] = {};
    const size_t stored = std::min<size_t>(static_cast<size_t>(length), record::kSize);
    stream.ReadBuffer(bytes, stored);
    Skip(stream, length - static_cast<int64_t>(stored));  // a longer record keeps its first 40 bytes
    header = LoadHeaderInfo(bytes);
    frames = header.Count;
    legacy.BGColor = header.BGColor;
  }
  legacy.NotFillBG = fileVersion >= kVersionNotFillBG && header.NotFillBG != 0;
  return legacy;
}

void ReadLegacyFrames(TStream& stream, int32_t count, const TReadContext& ctx, TFrames& frames) {
  for (int32_t i = 0; i < count; ++i) {
    // Counted as frames come: a count read from a file that is no document
    // at all must not pass for a document over the limit.
    CheckFrameCount(int64_t{i} + 1);
    TDorvFrame& frame = frames.Add();
    ReadLegacyFrame(frame, stream, ctx);
  }
}

}  // namespace dorv
