// ConvertWrite refuses, before reading a byte, pictures whose rows could not
// lie in the caller's address space: their offsets would wrap (a 32-bit
// process's long before a 64-bit one's) and the rows be read from the
// wrong places.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "export_helpers.h"

namespace dorv::testing {
namespace {

struct Unaddressable {
  const char* name;
  int32_t planes, depth, width, height;
  bool only32;  // a 64-bit process could hold it; the test has no such rows
};

const Unaddressable kUnaddressable[] = {
    {"row_bits_past_64_bits", 1 << 30, 1 << 30, 1024, 1, false},
    {"picture_past_2_gib_and_the_pixel_cap", 4, 8, 16384, 40000, false},
    {"row_past_4_gib", 4096, 16, 1 << 20, 64, true},
    {"row_of_8_gib", 32767, 32767, 64, 64, true},
};

class UnaddressableRows : public ::testing::TestWithParam<Unaddressable> {};

TEST_P(UnaddressableRows, AreRefusedWithNothingWritten) {
  const Unaddressable& c = GetParam();
  if (c.only32 && sizeof(void*) > 4) GTEST_SKIP() << "addressable in 64 bits";
  WriteArgs a;
  a.planes = c.planes;
  a.depth = c.depth;
  a.width = c.width;
  a.height = c.height;
  a.pixels.assign(64, 0x11);
  const WriteResult r = WriteThroughExport(a);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.file.empty());
}

INSTANTIATE_TEST_SUITE_P(Pictures, UnaddressableRows, ::testing::ValuesIn(kUnaddressable),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorv::testing
