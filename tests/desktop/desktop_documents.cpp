#include "desktop_documents.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <unistd.h>

#include "dov/dov.h"
#include "libdov/dov_test_util.h"
#include "support/dov_writer.h"
#include "support/hostile_files.h"
#include "support/legacy_writer.h"

namespace desktop_test {
namespace {

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> SizesDocument() {
  dorv::testing::DocSpec d;
  d.frames.push_back(dov_test::PatternFrame(12, 5, 24, 1));
  d.frames.push_back(dov_test::PatternFrame(5, 9, 8, 2));
  d.frames.push_back(dov_test::PatternFrame(7, 7, 32, 3));
  d.frames[1].trans = 3;
  d.frames[0].delay = 0;  // stored without a delay
  return dorv::testing::WriteDov(d);
}

std::vector<uint8_t> LegacyWithoutMagic() {
  dorv::testing::LegacySpec l;
  l.version = 0;
  l.doc.frames.push_back(dov_test::PatternFrame(6, 4, 8, 5));
  return dorv::testing::WriteLegacy(l);
}

std::vector<Document> Make() {
  std::vector<Document> docs;
  for (const char* name : {"animation", "highcolor16", "palette4"})
    docs.push_back({name, FileBytes(std::filesystem::path(DORV_SAMPLES_DIR) / (std::string(name) + ".dov"))});
  for (int bpp : {1, 4, 8, 15, 16, 24, 32})
    docs.push_back({"pattern" + std::to_string(bpp), dov_test::PatternDocument(3, 9, 5, bpp)});
  docs.push_back({"sizes", SizesDocument()});
  docs.push_back({"legacy_no_magic", LegacyWithoutMagic()});
  std::vector<uint8_t> cut = docs[0].bytes;
  cut.resize(cut.size() * 3 / 4);
  docs.push_back({"truncated_animation", cut});
  docs.push_back({"text", {'n', 'o', 't', ' ', 'a', ' ', 'd', 'o', 'c'}});
  docs.push_back({"empty", {}});
  for (const auto& f : dorv::testing::HostileFiles()) docs.push_back({"hostile_" + f.name, f.bytes});
  for (const auto& entry : std::filesystem::directory_iterator(DORV_FUZZ_REGRESSIONS_DIR "/dov_decoder"))
    docs.push_back({"fuzz_" + entry.path().filename().string(), FileBytes(entry.path())});
  return docs;
}

}  // namespace

const std::vector<Document>& Documents() {
  static const std::vector<Document> docs = Make();
  return docs;
}

const Document& Named(const std::string& name) {
  for (const Document& d : Documents())
    if (d.name == name) return d;
  throw std::runtime_error("no test document " + name);
}

Reading ReadWithLibdov(const std::vector<uint8_t>& bytes) {
  Reading r;
  dov_test::Decoder d = dov_test::NewDecoder();
  dov_info info{};
  if (dov_decoder_read_memory(d.get(), bytes.data(), bytes.size()) != DOV_OK ||
      dov_decoder_get_info(d.get(), &info) != DOV_OK || info.frame_count == 0) {
    r.error = dov_decoder_error_message(d.get());
    return r;
  }
  r.read = true;
  r.width = info.width;
  r.height = info.height;
  r.damaged = info.damaged != 0;
  r.messages = info.messages;
  for (uint32_t f = 0; f < info.frame_count; ++f) {
    dov_frame_info fi{};
    EXPECT_EQ(dov_decoder_get_frame_info(d.get(), f, &fi), DOV_OK);
    Frame frame;
    frame.width = fi.width;
    frame.height = fi.height;
    frame.indexed = fi.indexed != 0;
    frame.delayMs = fi.delay_ms;
    frame.rgba = dov_test::FrameRgba(d.get(), f);
    if (frame.indexed) {
      frame.indices.resize(size_t{fi.width} * fi.height);
      frame.palette.resize(1024);
      EXPECT_EQ(dov_decoder_frame_indexed(d.get(), f, frame.indices.data(), fi.width, frame.indices.size(),
                                          frame.palette.data(), nullptr),
                DOV_OK);
    }
    r.frames.push_back(std::move(frame));
  }
  return r;
}

std::vector<uint8_t> Encode(int format, uint32_t width, uint32_t height, const uint8_t* pixels, size_t stride,
                            int compression, int quality, const std::vector<uint8_t>& paletteRgb,
                            int32_t transparent) {
  dov_test::Encoder e = dov_test::NewEncoder();
  dov_picture p{};
  p.format = static_cast<dov_pixel_format>(format);
  p.width = width;
  p.height = height;
  p.pixels = pixels;
  p.stride = stride;
  p.palette = paletteRgb.empty() ? nullptr : paletteRgb.data();
  p.palette_size = static_cast<uint32_t>(paletteRgb.size() / 3);
  p.transparent_index = transparent;
  EXPECT_EQ(dov_encoder_set_compression(e.get(), static_cast<dov_compression>(compression), quality), DOV_OK);
  EXPECT_EQ(dov_encoder_add_frame(e.get(), &p, 100), DOV_OK) << dov_encoder_error_message(e.get());
  uint8_t* data = nullptr;
  size_t size = 0;
  EXPECT_EQ(dov_encoder_write_memory(e.get(), &data, &size), DOV_OK);
  std::vector<uint8_t> bytes(data, data + size);
  dov_free(data);
  return bytes;
}

std::string TempDir() {
  const auto dir = std::filesystem::temp_directory_path() / ("dorv_desktop_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace desktop_test
