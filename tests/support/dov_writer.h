// A writer of container files for the tests, written independently of the
// system's own writer. It produces what the system never writes: several
// layers, invisible layers, keys and opacities, alpha planes on any layer,
// block coding with copies, scrambled rows and tables, old versions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dorv::testing {

struct BlockEntry {
  int32_t kind = -1;  // -1 stored, -2 copy of block `index`, >= 0 frame copy
  int32_t index = 0;
};

struct LayerSpec {
  std::string name = "Layer";
  bool visible = true;
  int32_t trans = -1;
  int32_t alpha = 255;
  bool alphaOn = false;
  std::vector<uint8_t> rows;                      // stored rows, top first, padding included
  std::optional<std::vector<uint8_t>> alphaRows;  // 8-bit plane rows
  std::vector<BlockEntry> blocks;       // block form: entries per block (missing ones: -1)
  std::vector<BlockEntry> alphaBlocks;
  std::optional<std::vector<uint8_t>> colourBlob;  // exact blob, bypassing the coder
  std::optional<std::vector<uint8_t>> alphaBlob;
  std::optional<int32_t> colourLength;             // a length field that lies
};

struct FrameSpec {
  int32_t width = 4, height = 4, bpp = 24;
  std::vector<uint32_t> palette;  // 0x00BBGGRR per entry (padded with black)
  std::string name;
  int32_t trans = -1, delay = 100, disposal = 0;
  std::vector<LayerSpec> layers;
  std::optional<int32_t> layersCount;  // a "Count" that differs from the layers given
  std::optional<std::string> rgbText;  // palette text as given
  bool omitLayers = false;
};

struct DocSpec {
  std::string magic = "DorvX200";
  int32_t version = 200;
  int32_t compType = 0;  // 0 zlib, 1 raw, 2 JPEG colour planes
  int32_t compLevel = 90;
  bool randomized = false;
  uint32_t code = 0;  // scrambling seed used by the writer
  std::optional<int32_t> blockWidth = 0, blockHeight = 0;  // nullopt: attribute left out
  int32_t bgColor = 0;
  bool notFillBG = false;
  std::optional<int32_t> count;
  std::vector<FrameSpec> frames;
};

std::vector<uint8_t> WriteDov(const DocSpec& doc);
// One plane blob coded as the document's settings say (old coding below
// Version 103, rows or blocks, zlib, raw or JPEG, scrambled under its code).
std::vector<uint8_t> PlaneBlob(const DocSpec& doc, const FrameSpec& frame, bool isAlpha,
                               const std::vector<uint8_t>& rows, const std::vector<BlockEntry>& blocks);
// The header text alone (CR LF lines) as WriteDov compresses it.
std::string HeaderText(const DocSpec& doc);

// Stored row size of a plane: depth 15 is stored in 16 bits.
int32_t StoredRowBytes(int32_t width, int32_t bpp);
// Rows of a plane filled from pixel(x, y) (a palette index, 16-bit word,
// 0xRRGGBB for 24 bits or the whole word for 32 bits); padding bytes zero.
std::vector<uint8_t> MakeRows(int32_t width, int32_t height, int32_t bpp,
                              const std::function<uint32_t(int32_t, int32_t)>& pixel);
// The plain pool-removal permutation.
std::vector<int32_t> NaivePermutation(uint32_t seed, int32_t n);
std::vector<uint8_t> ZlibCompress(std::span<const uint8_t> bytes);
// JPEG file of 24-bit rows given as B, G, R bytes per pixel (stored rows).
std::vector<uint8_t> JpegEncode(std::span<const uint8_t> bgrRows, int32_t width, int32_t height,
                                int quality);

}  // namespace dorv::testing
