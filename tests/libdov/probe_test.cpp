// The header-only look: what it tells equals what a full read finds, it
// reads no plane of a current file, and it refuses what a read refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "dov_test_util.h"
#include "support/legacy_writer.h"

namespace dov_test {
namespace {

struct ProbeCase {
  const char* name;
  std::vector<uint8_t> bytes;
  int decoded;  // the first frame had to be read
};

class Probes : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Probes, TellWhatAFullReadFinds) {
  const ProbeCase& c = GetParam();
  Decoder d = NewDecoder();
  dov_probe_info probe;
  ASSERT_EQ(dov_decoder_probe_memory(d.get(), c.bytes.data(), c.bytes.size(), &probe), DOV_OK)
      << dov_decoder_error_message(d.get());
  EXPECT_EQ(probe.decoded, c.decoded);

  Decoder full = Read(c.bytes);
  dov_info info;
  dov_frame_info frame;
  ASSERT_EQ(dov_decoder_get_info(full.get(), &info), DOV_OK);
  ASSERT_EQ(dov_decoder_get_frame_info(full.get(), 0, &frame), DOV_OK);
  EXPECT_EQ(probe.width, info.width);
  EXPECT_EQ(probe.height, info.height);
  EXPECT_EQ(probe.depth, frame.depth);
  EXPECT_EQ(probe.frames_declared, info.frames_declared);
  EXPECT_EQ(probe.version, info.version);
}

std::vector<uint8_t> Legacy(int version) {
  dorv::testing::LegacySpec l;
  l.version = version;
  l.doc.frames = {PatternFrame(7, 5, version == 0 ? 8 : 24)};
  return dorv::testing::WriteLegacy(l);
}

std::vector<uint8_t> Sample(const char* name) {
  std::ifstream in(SamplesDir() + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, Probes,
    ::testing::Values(ProbeCase{"OneBit", PatternDocument(1, 9, 4, 1), 0},
                      ProbeCase{"Palette", PatternDocument(3, 33, 17, 8), 0},
                      ProbeCase{"HighColour", PatternDocument(2, 5, 6, 15), 0},
                      ProbeCase{"TrueColour", PatternDocument(1, 12, 1, 32), 0},
                      ProbeCase{"AnimationSample", Sample("animation.dov"), 0},
                      ProbeCase{"LegacyWithoutMagic", Legacy(0), 1},
                      ProbeCase{"Legacy107", Legacy(107), 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Probe, ReadsNoPlaneOfACurrentFile) {
  // The planes cut off: a read finds the document damaged, the header still
  // tells the size.
  std::vector<uint8_t> doc = PatternDocument(1, 64, 48, 24);
  Decoder d = NewDecoder();
  dov_probe_info whole;
  ASSERT_EQ(dov_decoder_probe_memory(d.get(), doc.data(), doc.size(), &whole), DOV_OK);
  const size_t headerEnd = 12 + static_cast<size_t>(doc[8] | doc[9] << 8 | doc[10] << 16 | doc[11] << 24);
  doc.resize(headerEnd);
  dov_probe_info cut;
  ASSERT_EQ(dov_decoder_probe_memory(d.get(), doc.data(), doc.size(), &cut), DOV_OK);
  EXPECT_EQ(cut.width, 64u);
  EXPECT_EQ(cut.height, 48u);
  EXPECT_EQ(cut.decoded, 0);
}

TEST(Probe, RefusesWhatAReadRefuses) {
  Decoder d = NewDecoder();
  dov_probe_info info;
  const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'd', 'o', 'c'};
  EXPECT_EQ(dov_decoder_probe_memory(d.get(), text.data(), text.size(), &info), DOV_ERROR_NOT_A_DOCUMENT);
  std::vector<uint8_t> cut = PatternDocument(1, 4, 4, 8);
  cut.resize(20);
  EXPECT_EQ(dov_decoder_probe_memory(d.get(), cut.data(), cut.size(), &info), DOV_ERROR_CORRUPT);
  EXPECT_STRNE(dov_decoder_error_message(d.get()), "");
  EXPECT_EQ(dov_decoder_probe_memory(d.get(), nullptr, 4, &info), DOV_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(dov_decoder_probe_memory(d.get(), cut.data(), cut.size(), nullptr), DOV_ERROR_INVALID_ARGUMENT);

  // A frame past the pixel limit is refused before anything is decoded.
  dov_limits limits{};
  limits.max_frame_pixels = 100;
  ASSERT_EQ(dov_decoder_set_limits(d.get(), &limits), DOV_OK);
  const std::vector<uint8_t> big = PatternDocument(1, 20, 20, 24);
  EXPECT_EQ(dov_decoder_probe_memory(d.get(), big.data(), big.size(), &info), DOV_ERROR_LIMIT);
}

}  // namespace
}  // namespace dov_test
