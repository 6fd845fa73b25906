#include "support/legacy_writer.h"

#include <cstdio>
#include <string>

namespace dorv::testing {
namespace {

void Put32(std::vector<uint8_t>& out, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void PutString(std::vector<uint8_t>& out, const std::string& s, std::optional<int32_t> length = {}) {
  Put32(out, length.value_or(static_cast<int32_t>(s.size())));
  out.insert(out.end(), s.begin(), s.end());
}

void PutBlob(std::vector<uint8_t>& out, const std::vector<uint8_t>& blob) {
  Put32(out, static_cast<int32_t>(blob.size()));
  out.insert(out.end(), blob.begin(), blob.end());
}

}  // namespace

std::vector<uint8_t> WriteLegacy(const LegacySpec& layout) {
  const int32_t v = layout.version;
  DocSpec doc = layout.doc;
  doc.version = v;
  std::vector<uint8_t> out;
  if (v != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", v);
    out.insert(out.end(), {'D', 'o', 'r', 'v'});
    out.insert(out.end(), digits, digits + 3);
  }
  const int32_t frames = layout.frameCount.value_or(static_cast<int32_t>(doc.frames.size()));
  if (v < 103) {
    Put32(out, frames);
    out.push_back(0xAA);  // skipped
    if (v == 102) Put32(out, doc.bgColor);
  } else {
    uint8_t record[40] = {};
    auto put = [&](int at, int32_t x) {
      for (int i = 0; i < 4; ++i) record[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * i));
    };
    put(0, v);
    put(4, doc.frames.empty() ? 0 : doc.frames[0].width);
    put(8, doc.frames.empty() ? 0 : doc.frames[0].height);
    put(12, doc.frames.empty() ? 0 : doc.frames[0].bpp);
    put(16, frames);
    record[20] = 1;
    record[21] = doc.randomized ? 1 : 0;
    record[22] = static_cast<uint8_t>(doc.compType);
    put(24, doc.bgColor);
    put(28, doc.blockWidth.value_or(0));
    put(32, doc.blockHeight.value_or(0));
    record[36] = layout.recordNotFillBG ? 1 : 0;
    record[37] = static_cast<uint8_t>(doc.compLevel);
    const int32_t stored = 40 + layout.extraRecordBytes;
    Put32(out, layout.recordLength.value_or(stored));
    out.insert(out.end(), record, record + 40);
    out.insert(out.end(), static_cast<size_t>(layout.extraRecordBytes), 0xBB);
  }
  bool firstFrame = true;
  for (const FrameSpec& f : doc.frames) {
    PutString(out, f.name, firstFrame ? layout.nameLength : std::nullopt);
    firstFrame = false;
    Put32(out, f.trans);
    Put32(out, f.delay);
    out.push_back(static_cast<uint8_t>(f.disposal));
    Put32(out, 0);  // skipped
    Put32(out, f.layersCount.value_or(static_cast<int32_t>(f.layers.size())));
    Put32(out, f.width);
    Put32(out, f.height);
    Put32(out, f.bpp);
    if (f.bpp <= 8) {
      for (int i = 0; i < (1 << f.bpp); ++i) {
        const uint32_t c = i < static_cast<int>(f.palette.size()) ? f.palette[static_cast<size_t>(i)] : 0;
        out.push_back(static_cast<uint8_t>(c >> 16));  // blue
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
      }
    }
    for (const LayerSpec& l : f.layers) {
      out.insert(out.end(), 8, 0xCC);  // skipped
      out.push_back(l.visible ? 1 : 0);
      Put32(out, l.trans);
      Put32(out, l.alpha);
      if (v >= 101) out.push_back(l.alphaOn ? 1 : 0);
      PutString(out, l.name);
      PutBlob(out, l.colourBlob ? *l.colourBlob : PlaneBlob(doc, f, false, l.rows, l.blocks));
      if (v >= 100) {
        if (l.alphaRows) PutBlob(out, PlaneBlob(doc, f, true, *l.alphaRows, l.alphaBlocks));
        else Put32(out, 0);
      }
    }
    if (v >= 104) {
      for (int t = 0; t < 2; ++t) {
        Put32(out, layout.tableCountField.value_or(layout.tableCount));
        out.insert(out.end(), static_cast<size_t>(layout.tableCount) * 16, 0xDD);
      }
    }
  }
  return out;
}

}  // namespace dorv::testing
