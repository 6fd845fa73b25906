#include "support/hostile_files.h"

#include <climits>
#include <string_view>

#include "support/dov_writer.h"
#include "support/legacy_writer.h"

namespace dorv::testing {
namespace {

constexpr std::string_view kCorrupt = "ファイルが破壊されています";

std::string Corrupt(const char* detail) { return std::string(kCorrupt) + " (" + detail + ")"; }

void Put32(std::vector<uint8_t>& out, int64_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A one-frame, one-layer document of the given frame size; the records are
// given as they stand in the file.
DocSpec OneLayer(int32_t w, int32_t h, int32_t bpp, int32_t compType = 0) {
  DocSpec d;
  d.compType = compType;
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  f.layers.emplace_back();
  d.frames.push_back(f);
  return d;
}

// Magic, the compressed header text of doc, then records exactly as given.
std::vector<uint8_t> WithRecords(const DocSpec& doc, const std::vector<uint8_t>& records) {
  std::vector<uint8_t> out = Bytes("DorvX200");
  const std::string text = HeaderText(doc);
  const std::vector<uint8_t> header = ZlibCompress(Bytes(text));
  Put32(out, static_cast<int64_t>(header.size()));
  Append(out, header);
  Append(out, records);
  return out;
}

// A colour record of the given length field and blob, and an empty alpha record.
std::vector<uint8_t> Records(int64_t length, const std::vector<uint8_t>& blob, int64_t alphaLength = 0,
                             const std::vector<uint8_t>& alphaBlob = {}) {
  std::vector<uint8_t> r;
  Put32(r, length);
  Append(r, blob);
  Put32(r, alphaLength);
  Append(r, alphaBlob);
  return r;
}

std::vector<uint8_t> HeaderOnly(int64_t length, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out = Bytes("DorvX200");
  Put32(out, length);
  Append(out, bytes);
  return out;
}

// A block table of 4 x 4 blocks on a 16 x 16 8-bit plane: the first entry
// stored, the second as given, the rest copies of block 0.
std::vector<uint8_t> BlockFile(int32_t kind, int32_t index) {
  DocSpec d = OneLayer(16, 16, 8, 1);
  d.frames[0].palette.assign(256, 0x808080);
  d.blockWidth = d.blockHeight = 4;
  std::vector<uint8_t> blob;
  for (int b = 0; b < 16; ++b) {
    Put32(blob, b == 0 ? -1 : b == 1 ? kind : -2);
    Put32(blob, b == 1 ? index : 0);
  }
  blob.resize(blob.size() + 16, 0x11);
  return WithRecords(d, Records(static_cast<int64_t>(blob.size()), blob));
}

LegacySpec LegacyOne(int32_t w, int32_t h) {
  LegacySpec s;
  s.version = 107;
  s.doc.compType = 1;
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = 24;
  LayerSpec l;
  l.colourBlob = std::vector<uint8_t>(16, 0x22);
  f.layers.push_back(l);
  s.doc.frames.push_back(f);
  return s;
}

std::vector<HostileFile> Build() {
  std::vector<HostileFile> v;
  const std::vector<uint8_t> small(64, 0x5A);
  const std::string limit = Corrupt("frame larger than the pixel limit");
  const std::string pastEnd = Corrupt("plane record runs past the end of the file");

  // Declared sizes beyond the cap, and at the cap with next to no data.
  v.push_back({"frame_65535_square", WithRecords(OneLayer(65535, 65535, 32), Records(64, small)), limit});
  v.push_back({"frame_2pow31_pixels", WithRecords(OneLayer(65536, 32768, 24), Records(64, small)), limit});
  v.push_back({"frame_int_max_wide", WithRecords(OneLayer(INT_MAX, 1, 8), Records(64, small)), limit});
  v.push_back({"frame_int_max_square", WithRecords(OneLayer(INT_MAX, INT_MAX, 1), Records(64, small)), limit});
  v.push_back({"frame_at_cap_zlib_few_bytes", WithRecords(OneLayer(16384, 16384, 32), Records(64, small)),
               Corrupt("layers run past the end of the file")});
  v.push_back({"frame_at_cap_raw_few_bytes", WithRecords(OneLayer(16384, 16384, 24, 1), Records(64, small)),
               Corrupt("layers run past the end of the file")});
  {
    DocSpec d = OneLayer(16384, 16384, 8, 1);
    d.frames[0].palette.assign(256, 0);
    d.blockWidth = d.blockHeight = 1;  // a table of 2^28 entries
    v.push_back({"block_table_of_every_pixel", WithRecords(d, Records(64, small)),
                 Corrupt("layers run past the end of the file")});
  }
  {
    // Up to a megapixel a frame cut before its records still shows its
    // background; one pixel row more and it must bring its first layer.
    DocSpec d = OneLayer(1024, 1024, 32);
    d.bgColor = 0x123456;
    d.frames[0].layers.resize(3);
    v.push_back({"frame_megapixel_no_records", WithRecords(d, {}), "Stream read error"});
    d.frames[0].height = 1025;
    v.push_back({"frame_past_megapixel_no_records", WithRecords(d, {}),
                 Corrupt("layers run past the end of the file")});
  }
  {
    // Frames without layers cost a few header bytes each; their composites
    // are whole surfaces filled with the background.
    DocSpec d;
    d.bgColor = 0x123456;
    FrameSpec f;
    f.width = f.height = 16384;
    f.bpp = 32;
    d.frames.assign(1, f);
    v.push_back({"frame_no_layers_16384_square", WithRecords(d, {}),
                 Corrupt("frames without layers exceed the background limit")});
    d.frames.assign(3, f);
    v.push_back({"frames_no_layers_three_16384_square", WithRecords(d, {}),
                 Corrupt("frames without layers exceed the background limit")});
  }
  {
    DocSpec d = OneLayer(8, 4, 24);
    d.frames[0].layersCount = INT_MAX;  // one layer present, records for one
    const std::vector<uint8_t> rows = ZlibCompress(std::vector<uint8_t>(96, 7));
    v.push_back({"layer_count_int_max", WithRecords(d, Records(static_cast<int64_t>(rows.size()), rows)),
                 std::string(kCorrupt)});
  }

  // Header lengths and header texts.
  v.push_back({"header_length_negative", HeaderOnly(-1, small), Corrupt("header length is not positive")});
  v.push_back({"header_length_int_min", HeaderOnly(INT_MIN, small), Corrupt("header length is not positive")});
  v.push_back({"header_length_int_max", HeaderOnly(INT_MAX, small), Corrupt("header runs past the end of the file")});
  {
    std::string text = "<Frames Count=\"1\">";
    text.append(size_t{12} << 20, ' ');  // past the header text cap
    v.push_back({"header_text_past_cap", HeaderOnly(0, {}), "Decompressed data longer than allowed"});
    const std::vector<uint8_t> packed = ZlibCompress(Bytes(text));
    v.back().bytes = HeaderOnly(static_cast<int64_t>(packed.size()), packed);
  }
  {
    std::string text = "<Frames Count=\"1\">";
    for (int i = 0; i < 300000; ++i) text += "<a/>";
    const std::vector<uint8_t> packed = ZlibCompress(Bytes(text));
    v.push_back({"header_many_elements", HeaderOnly(static_cast<int64_t>(packed.size()), packed),
                 Corrupt("header holds too many elements")});
  }

  // Record lengths.
  const DocSpec plain = OneLayer(8, 4, 24);
  v.push_back({"colour_length_negative", WithRecords(plain, Records(-5, small)), Corrupt("empty colour plane record")});
  v.push_back({"colour_length_int_min", WithRecords(plain, Records(INT_MIN, small)), Corrupt("empty colour plane record")});
  v.push_back({"colour_length_int_max", WithRecords(plain, Records(INT_MAX, small)), pastEnd});
  {
    std::vector<uint8_t> rows = ZlibCompress(std::vector<uint8_t>(96, 7));
    v.push_back({"alpha_length_int_max",
                 WithRecords(plain, Records(static_cast<int64_t>(rows.size()), rows, INT_MAX, small)), pastEnd});
    v.push_back({"alpha_length_negative",
                 WithRecords(plain, Records(static_cast<int64_t>(rows.size()), rows, INT_MIN, {})), ""});
  }

  // zlib streams that inflate far past their plane: inflation stops at what
  // the plane needs, so the files are read at the cost of their plane.
  {
    const std::vector<uint8_t> bomb = ZlibCompress(std::vector<uint8_t>(size_t{32} << 20, 0));
    v.push_back({"zlib_rows_inflate_past_plane",
                 WithRecords(plain, Records(static_cast<int64_t>(bomb.size()), bomb)), ""});
    DocSpec blocks = plain;
    blocks.blockWidth = blocks.blockHeight = 4;  // zero entries: copies from this very layer
    v.push_back({"zlib_blocks_inflate_past_plane",
                 WithRecords(blocks, Records(static_cast<int64_t>(bomb.size()), bomb)), ""});
    DocSpec old = plain;
    old.version = 101;
    v.push_back({"zlib_old_rows_inflate_past_plane",
                 WithRecords(old, Records(static_cast<int64_t>(bomb.size()), bomb)), ""});
    const std::vector<uint8_t> rows = ZlibCompress(std::vector<uint8_t>(96, 7));
    v.push_back({"zlib_alpha_inflate_past_plane",
                 WithRecords(plain, Records(static_cast<int64_t>(rows.size()), rows,
                                            static_cast<int64_t>(bomb.size()), bomb)),
                 ""});
  }

  // Block tables pointing anywhere.
  v.push_back({"block_copy_index_int_max", BlockFile(-2, INT_MAX), Corrupt("block copy names no block")});
  v.push_back({"block_copy_index_int_min", BlockFile(-2, INT_MIN), Corrupt("block copy names no block")});
  v.push_back({"block_frame_int_max", BlockFile(INT_MAX, 0), "Error:TDorvFrameList.GetFrame"});
  v.push_back({"block_frame_int_min", BlockFile(INT_MIN, 0), "Error:TDorvFrameList.GetFrame"});
  v.push_back({"block_layer_int_max", BlockFile(0, INT_MAX), "List index out of bounds (2147483647)"});
  v.push_back({"block_layer_negative", BlockFile(0, -3), "List index out of bounds (-3)"});

  // The older layout.
  v.push_back({"legacy_65535_square", WriteLegacy(LegacyOne(65535, 65535)), limit});
  v.push_back({"legacy_2pow31_pixels", WriteLegacy(LegacyOne(65536, 32768)), limit});
  v.push_back({"legacy_at_cap_few_bytes", WriteLegacy(LegacyOne(16384, 16384)), Corrupt("layers run past the end of the file")});
  {
    LegacySpec s = LegacyOne(4, 4);
    s.nameLength = -1;
    v.push_back({"legacy_name_length_negative", WriteLegacy(s), Corrupt("negative string length")});
    s.nameLength = INT_MAX;
    v.push_back({"legacy_name_length_int_max", WriteLegacy(s), Corrupt("string runs past the end of the file")});
  }
  {
    LegacySpec s = LegacyOne(4, 4);
    s.recordLength = -40;
    v.push_back({"legacy_record_length_negative", WriteLegacy(s), Corrupt("negative header record length")});
    s.recordLength = INT_MAX;
    v.push_back({"legacy_record_length_int_max", WriteLegacy(s),
                 Corrupt("header record runs past the end of the file")});
  }
  {
    LegacySpec s = LegacyOne(4, 4);
    s.doc.frames[0].layers[0].colourBlob = std::vector<uint8_t>(48, 1);
    s.tableCountField = INT_MAX;
    v.push_back({"legacy_table_count_int_max", WriteLegacy(s), Corrupt("table runs past the end of the file")});
  }
  {
    LegacySpec s = LegacyOne(16384, 16384);
    s.doc.bgColor = 0x123456;
    s.doc.frames[0].layers.clear();
    v.push_back({"legacy_frame_no_layers_16384_square", WriteLegacy(s),
                 Corrupt("frames without layers exceed the background limit")});
  }
  {
    LegacySpec s = LegacyOne(4, 4);
    s.doc.frames[0].layersCount = INT_MAX;
    // Its one layer is read (and fails, its plane being too short) before
    // the count matters.
    v.push_back({"legacy_layer_count_int_max", WriteLegacy(s), Corrupt("plane data too short")});
  }
  return v;
}

}  // namespace

const std::vector<HostileFile>& HostileFiles() {
  static const std::vector<HostileFile> files = Build();
  return files;
}

}  // namespace dorv::testing
