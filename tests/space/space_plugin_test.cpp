// The plug-in in front of the real converter with pictures that a 64-bit
// host opens and saves and a 32-bit one has no room for: the plug-in then
// fails with its documented results and leaves the host nothing to free.
#include <filesystem>
#include <fstream>
#include <string>

#include "space_support.h"
#include "tools/host/plugin_host.h"

namespace dorv::testing {
namespace {

namespace fs = std::filesystem;
using namespace host_api;

// A file of its own in the temporary folder, removed when the case ends.
struct ScratchFile {
  fs::path path;
  explicit ScratchFile(const char* name)
      : path(fs::temp_directory_path() /
             (std::string("dorv_space_") + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "_" + name)) {}
  ~ScratchFile() {
    std::error_code ignored;
    fs::remove(path, ignored);
  }
};

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good());
}

// The converter returns a 1 GiB block for this frame in 64 bits; in 32
// bits it cannot, and the open fails as for a file it refuses.
TEST(PluginOpenTooLargeFor32Bits, FailsAsARefusedFile) {
  DORV_SKIP_FULL_SIZE_IN_64_BITS();
  ScratchFile file("open.dov");
  WriteFile(file.path, WriteDov(LargeZlibDocument(kSide, kSide, 32, 1, 0x40)));
  host::HostDocument opened;
  host::PluginHost host(DORV_PLUGIN_MODULE);
  ASSERT_TRUE(host.Loaded());
  const OSErr result = host.Open(file.path.string(), opened);
  EXPECT_TRUE(host.Counts().Balanced());
  EXPECT_TRUE(host.Violations().empty());
  if (kIs32BitProcess) {
    EXPECT_EQ(result, formatCannotRead);
    EXPECT_EQ(host.Record().data, nullptr);
    EXPECT_TRUE(opened.pixels.empty());
    return;
  }
  ASSERT_EQ(result, noErr);
  EXPECT_EQ(opened.width, kSide);
  EXPECT_EQ(opened.height, kSide);
  EXPECT_EQ(opened.planes, 4);
  EXPECT_EQ(opened.pixels.size(), 1 * kGiB);
  EXPECT_EQ(opened.pixels[0], 0x40);
}

// The host's 640 MiB picture and the plug-in's copy of it fill a 32-bit
// process: the converter has no room for its own, and the save fails with
// the converter's failure; a 64-bit process writes the file.
TEST(PluginSaveTooLargeFor32Bits, FailsWithTheConvertersResult) {
  DORV_SKIP_FULL_SIZE_IN_64_BITS();
  ScratchFile file("save.dov");
  host::HostDocument picture;
  picture.mode = plugInModeRGBColor;
  picture.width = kSide;
  picture.height = 10240;
  picture.planes = 4;
  picture.pixels.assign(picture.ImageBytes(), 0x80);
  host::PluginHost host(DORV_PLUGIN_MODULE);
  ASSERT_TRUE(host.Loaded());
  const OSErr result = host.Save(picture, file.path.string(), false);
  EXPECT_TRUE(host.Counts().Balanced());
  EXPECT_TRUE(host.Violations().empty());
  EXPECT_EQ(host.Record().data, nullptr);
  if (kIs32BitProcess) {
    EXPECT_EQ(result, kConverterErr);
    return;
  }
  ASSERT_EQ(result, noErr);
  // Saved without compression (the options' first values): every pixel's
  // colour and alpha bytes, and the header.
  EXPECT_GT(fs::file_size(file.path), picture.ImageBytes());
}

}  // namespace
}  // namespace dorv::testing
