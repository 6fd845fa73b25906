// The plug-in in front of hosts of the published record layout: the whole
// record, and an older host's that ends right after theRect32. The record
// is allocated exactly as long as the host hands it, so that under
// AddressSanitizer a read or write past its end fails the test; every
// selector must keep to the fields it may write (the host checks after each
// call).
#include <gtest/gtest.h>

#include <vector>

#include "tools/host/plugin_host.h"
#include "sandbox.h"

namespace dorv::test {
namespace {

using namespace host_api;
using host::HostDocument;
using host::HostSettings;
using host::PluginHost;
using host::RecordLength;

struct HostCase {
  const char* name;
  RecordLength length;
  bool thirtyTwoBit;
  std::size_t bytes;  // of the record handed over
};

class HostRecord : public testing::TestWithParam<HostCase> {
 protected:
  HostSettings Settings() const {
    HostSettings settings;
    settings.recordLength = GetParam().length;
    settings.supports32BitCoordinates = GetParam().thirtyTwoBit;
    settings.imageResources = {4, 5, 6};
    return settings;
  }
};

TEST_P(HostRecord, OpensEveryKindOfImage) {
  Sandbox box;
  PluginHost host(box.PluginPath(), Settings());
  ASSERT_EQ(host.RecordBytes(), GetParam().bytes);
  std::vector<uint8_t> palette(1024);
  for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i * 5);
  const FakeImage images[] = {
      {.width = 5, .height = 3, .bpp = 8, .transparentIndex = 2, .palette = palette,
       .block = std::vector<uint8_t>(15, 9)},
      {.width = 3, .height = 2, .bpp = 32, .block = std::vector<uint8_t>(24, 200)},
      {.width = 10, .height = 2, .bpp = 1, .block = {0xA5, 0xC0, 0x3C, 0x40}}};
  for (const FakeImage& image : images) {
    SCOPED_TRACE(image.bpp);
    WriteFakeFile(box.File("in.fake"), image);
    HostDocument document;
    ASSERT_EQ(host.Open(box.File("in.fake"), document), noErr);
    EXPECT_EQ(document.width, image.width);
    EXPECT_EQ(document.height, image.height);
    EXPECT_EQ(document.transparentIndex, image.transparentIndex);
    EXPECT_EQ(document.transparencyPlane, image.bpp == 32 ? 3 : -1);
  }
  EXPECT_EQ(host.LiveHandles(), 0u) << "read finish disposes of the image resources";
  EXPECT_TRUE(host.Counts().Balanced());
  EXPECT_TRUE(host.Violations().empty());
}

TEST_P(HostRecord, SavesWithOptionsAndEstimate) {
  Sandbox box;
  box.Control("config=confirm\ncompression=0\nquality=90\ncode=0\n");
  PluginHost host(box.PluginPath(), Settings());
  const HostDocument documents[] = {PatternDocument(plugInModeRGBColor, 3, 2, 8, 4),
                                    PatternDocument(plugInModeIndexedColor, 4, 4, 8, 1),
                                    PatternDocument(plugInModeBitmap, 10, 3, 1, 1)};
  for (const HostDocument& document : documents) {
    SCOPED_TRACE(document.mode);
    ASSERT_EQ(host.Save(document, box.File("out"), true), noErr);
    const auto written = ReadWriteRecord(box.File("out"));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->pixels, document.pixels);
    EXPECT_EQ(written->width, document.width);
    EXPECT_EQ(written->quality, 90);
    EXPECT_EQ(host.Record().minDataBytes, host.Record().maxDataBytes);
  }
  EXPECT_TRUE(host.Counts().Balanced());
  EXPECT_TRUE(host.Violations().empty());
}

TEST_P(HostRecord, AboutAndQuietSelectorsTouchNothing) {
  Sandbox box;
  PluginHost host(box.PluginPath(), Settings());
  testing::internal::CaptureStderr();
  EXPECT_EQ(host.CallAbout(), noErr);
  testing::internal::GetCapturedStderr();
  for (int16_t selector : {7, 8, 11, 12, 15, 16, 17, 99}) host.Call(selector);
  EXPECT_TRUE(host.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostRecord,
    testing::Values(HostCase{"Full", RecordLength::Full, true, sizeof(FormatRecord)},
                    HostCase{"FullWithout32Bits", RecordLength::Full, false, sizeof(FormatRecord)},
                    HostCase{"EndsAfterTheRect32", RecordLength::EndsAfterTheRect32, true,
                             kShortestFormatRecord},
                    HostCase{"EndsAfterTheRect32Without32Bits", RecordLength::EndsAfterTheRect32,
                             false, kShortestFormatRecord}),
    [](const testing::TestParamInfo<HostCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dorv::test
