// Every frame of every sample and of every file of the hostile set, read
// through libdov, is the picture dovtool wrote before it was built on libdov
// (the PNGs of `dovtool to-png --all-frames`, as RGBA, by their FNV-1a
// hash); files it could not read are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "dov_test_util.h"
#include "support/hostile_files.h"

namespace dov_test {
namespace {

struct Expected {
  const char* file;
  int32_t frame;  // -1: the file yields no frame
  uint32_t width, height;
  uint64_t hash;
};

// clang-format off
const Expected kExpected[] = {
    {"alpha_length_int_max", 0, 8, 4, 0xf808c319bf3bc825u},
    {"alpha_length_negative", 0, 8, 4, 0x485858627c11a1a5u},
    {"animation", 0, 96, 64, 0xb0e4d0f32509f7b7u},
    {"animation", 1, 96, 64, 0xb087557922aa0071u},
    {"animation", 2, 96, 64, 0x3e94b963b29be14bu},
    {"block_copy_index_int_max", 0, 16, 16, 0x07590537dd374b25u},
    {"block_copy_index_int_min", 0, 16, 16, 0x07590537dd374b25u},
    {"block_frame_int_max", 0, 16, 16, 0x07590537dd374b25u},
    {"block_frame_int_min", 0, 16, 16, 0x07590537dd374b25u},
    {"block_layer_int_max", 0, 16, 16, 0x07590537dd374b25u},
    {"block_layer_negative", 0, 16, 16, 0x07590537dd374b25u},
    {"block_table_of_every_pixel", -1, 0, 0, 0x0000000000000000u},
    {"colour_length_int_max", 0, 8, 4, 0xf808c319bf3bc825u},
    {"colour_length_int_min", 0, 8, 4, 0xf808c319bf3bc825u},
    {"colour_length_negative", 0, 8, 4, 0xf808c319bf3bc825u},
    {"frame_2pow31_pixels", -1, 0, 0, 0x0000000000000000u},
    {"frame_65535_square", -1, 0, 0, 0x0000000000000000u},
    {"frame_at_cap_raw_few_bytes", -1, 0, 0, 0x0000000000000000u},
    {"frame_at_cap_zlib_few_bytes", -1, 0, 0, 0x0000000000000000u},
    {"frame_int_max_square", -1, 0, 0, 0x0000000000000000u},
    {"frame_int_max_wide", -1, 0, 0, 0x0000000000000000u},
    {"frame_megapixel_no_records", 0, 1024, 1024, 0xe152613f60a22325u},
    {"frame_no_layers_16384_square", -1, 0, 0, 0x0000000000000000u},
    {"frame_past_megapixel_no_records", -1, 0, 0, 0x0000000000000000u},
    {"frames_no_layers_three_16384_square", -1, 0, 0, 0x0000000000000000u},
    {"header_length_int_max", -1, 0, 0, 0x0000000000000000u},
    {"header_length_int_min", -1, 0, 0, 0x0000000000000000u},
    {"header_length_negative", -1, 0, 0, 0x0000000000000000u},
    {"header_many_elements", -1, 0, 0, 0x0000000000000000u},
    {"header_text_past_cap", -1, 0, 0, 0x0000000000000000u},
    {"highcolor16", 0, 64, 32, 0x1af1be17f442eb25u},
    {"layer_count_int_max", 0, 8, 4, 0x485858627c11a1a5u},
    {"legacy_2pow31_pixels", -1, 0, 0, 0x0000000000000000u},
    {"legacy_65535_square", -1, 0, 0, 0x0000000000000000u},
    {"legacy_at_cap_few_bytes", -1, 0, 0, 0x0000000000000000u},
    {"legacy_frame_no_layers_16384_square", -1, 0, 0, 0x0000000000000000u},
    {"legacy_layer_count_int_max", 0, 4, 4, 0x0852db856e95b5a5u},
    {"legacy_name_length_int_max", -1, 0, 0, 0x0000000000000000u},
    {"legacy_name_length_negative", -1, 0, 0, 0x0000000000000000u},
    {"legacy_record_length_int_max", -1, 0, 0, 0x0000000000000000u},
    {"legacy_record_length_negative", -1, 0, 0, 0x0000000000000000u},
    {"legacy_table_count_int_max", 0, 4, 4, 0x16d8e16d27ef1025u},
    {"palette4", 0, 40, 24, 0xbc80ff07b7d8a79du},
    {"zlib_alpha_inflate_past_plane", 0, 8, 4, 0x485858627c11a1a5u},
    {"zlib_blocks_inflate_past_plane", 0, 8, 4, 0xf808c319bf3bc825u},
    {"zlib_old_rows_inflate_past_plane", 0, 8, 4, 0xf808c319bf3bc825u},
    {"zlib_rows_inflate_past_plane", 0, 8, 4, 0xf808c319bf3bc825u},
};
// clang-format on

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 0xcbf29ce484222325u;
  for (uint8_t b : bytes) h = (h ^ b) * 0x100000001b3u;
  return h;
}

std::map<std::string, std::vector<uint8_t>> Documents() {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& f : dorv::testing::HostileFiles()) files[f.name] = f.bytes;
  for (const char* name : {"animation", "highcolor16", "palette4"}) {
    std::ifstream in(SamplesDir() + "/" + name + ".dov", std::ios::binary);
    files[name] = std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

TEST(Golden, EveryFrameIsThePictureDovtoolWroteBefore) {
  const auto files = Documents();
  std::map<std::string, uint32_t> framesListed;
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(std::string(e.file) + " frame " + std::to_string(e.frame));
    const auto file = files.find(e.file);
    ASSERT_NE(file, files.end());
    Decoder d = NewDecoder();
    const dov_error read = dov_decoder_read_memory(d.get(), file->second.data(), file->second.size());
    if (e.frame < 0) {
      EXPECT_NE(read, DOV_OK);
      continue;
    }
    ASSERT_EQ(read, DOV_OK) << dov_decoder_error_message(d.get());
    ++framesListed[e.file];
    dov_frame_info info;
    ASSERT_EQ(dov_decoder_get_frame_info(d.get(), uint32_t(e.frame), &info), DOV_OK);
    EXPECT_EQ(info.width, e.width);
    EXPECT_EQ(info.height, e.height);
    EXPECT_EQ(Fnv1a(FrameRgba(d.get(), uint32_t(e.frame))), e.hash);
  }
  // No frame more than dovtool wrote.
  for (const auto& [name, count] : framesListed) {
    Decoder d = NewDecoder();
    const auto& bytes = files.at(name);
    ASSERT_EQ(dov_decoder_read_memory(d.get(), bytes.data(), bytes.size()), DOV_OK);
    dov_info info;
    ASSERT_EQ(dov_decoder_get_info(d.get(), &info), DOV_OK);
    EXPECT_EQ(info.frame_count, count) << name;
  }
}

}  // namespace
}  // namespace dov_test
