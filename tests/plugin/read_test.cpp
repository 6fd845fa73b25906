// Opening a file: the image the converter returns, as the host receives it,
// and every way read start can fail.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>

#include "tools/host/plugin_host.h"
#include "platform/win32.h"
#include "sandbox.h"

namespace dorv::test {
namespace {

using namespace host_api;
using host::HostDocument;
using host::HostSettings;
using host::PluginHost;

std::vector<uint8_t> Palette(int entries) {
  std::vector<uint8_t> palette(1024, 0);
  for (int i = 0; i < entries; ++i) {
    palette[4 * i] = static_cast<uint8_t>(i);              // blue
    palette[4 * i + 1] = static_cast<uint8_t>(255 - i);    // green
    palette[4 * i + 2] = static_cast<uint8_t>(i ^ 0x5A);   // red
    palette[4 * i + 3] = 0xEE;                             // reserved, unused
  }
  return palette;
}

std::vector<uint8_t> Sequence(std::size_t count, uint8_t start = 0) {
  std::vector<uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(start + i);
  return bytes;
}

// ---- What the host receives ---------------------------------------------

struct LayoutCase {
  const char* name;
  FakeImage image;
  int16_t mode, depth, planes;
  int32_t rowBytes;
  int16_t transparencyPlane;  // -1: left as the host set it
  std::vector<uint8_t> pixels;
};

class ReadLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(ReadLayout, HandsTheWholeImageOverInTheHostsLayout) {
  const LayoutCase& c = GetParam();
  Sandbox box;
  WriteFakeFile(box.File("in.fake"), c.image);
  PluginHost host(box.PluginPath());
  HostDocument document;
  ASSERT_EQ(host.Open(box.File("in.fake"), document), noErr);
  const FormatRecord& r = host.Record();
  EXPECT_EQ(r.imageMode, c.mode);
  EXPECT_EQ(r.depth, c.depth);
  EXPECT_EQ(r.planes, c.planes);
  EXPECT_EQ(r.rowBytes, c.rowBytes);
  EXPECT_EQ(r.colBytes, c.planes);
  EXPECT_EQ(r.planeBytes, 1);
  EXPECT_EQ(r.loPlane, 0);
  EXPECT_EQ(r.hiPlane, c.planes - 1);
  EXPECT_EQ(r.transparencyPlane, c.transparencyPlane);
  EXPECT_EQ(r.transparentIndex, c.image.transparentIndex);
  EXPECT_EQ(r.canUseICCProfiles, 0);
  EXPECT_EQ(host.Data(), nullptr) << "read continue ends the transfer";
  EXPECT_EQ(document.pixels, c.pixels);
  if (c.mode == plugInModeIndexedColor) {
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(document.red[i], c.image.palette[4 * i + 2]) << i;
      ASSERT_EQ(document.green[i], c.image.palette[4 * i + 1]) << i;
      ASSERT_EQ(document.blue[i], c.image.palette[4 * i]) << i;
    }
  }
  // Read start, one read continue, read finish.
  ASSERT_EQ(host.Calls().size(), 4u);
  EXPECT_EQ(host.Calls()[2].selector, formatSelectorReadContinue);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ReadLayout,
    testing::Values(
        LayoutCase{"Indexed5x3",
                   {.width = 5, .height = 3, .bpp = 8, .palette = Palette(256), .block = Sequence(15, 250)},
                   plugInModeIndexedColor, 8, 1, 5, -1, Sequence(15, 250)},
        LayoutCase{"IndexedTransparentZero",
                   {.width = 2, .height = 1, .bpp = 8, .transparentIndex = 0, .palette = Palette(2), .block = {0, 1}},
                   plugInModeIndexedColor, 8, 1, 2, -1, {0, 1}},
        LayoutCase{"Rgba3x2",
                   {.width = 3, .height = 2, .bpp = 32, .block = Sequence(24, 10)},
                   plugInModeRGBColor, 8, 4, 12, 3,
                   // blue, green, red, alpha become red, green, blue, alpha
                   {12, 11, 10, 13, 16, 15, 14, 17, 20, 19, 18, 21,
                    24, 23, 22, 25, 28, 27, 26, 29, 32, 31, 30, 33}},
        LayoutCase{"Bitmap10x2",
                   {.width = 10, .height = 2, .bpp = 1, .block = {0xA5, 0xC0, 0x3C, 0x40}},
                   plugInModeBitmap, 1, 1, 2, -1, {0xA5, 0xC0, 0x3C, 0x40}}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(ReadCoordinates, SixteenBitHostGetsOnlyTheSixteenBitFields) {
  for (bool wide : {false, true}) {
    Sandbox box;
    WriteFakeFile(box.File("in.fake"), {.width = 7, .height = 3, .bpp = 8, .block = Sequence(21)});
    HostSettings settings;
    settings.supports32BitCoordinates = wide;
    PluginHost host(box.PluginPath(), settings);
    host.PrepareOpen(nullptr);
    HANDLE file = CreateFileA(box.File("in.fake").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    host.Record().dataFork = ForkOf(file);
    ASSERT_EQ(host.Call(formatSelectorReadStart), noErr);
    const FormatRecord& r = host.Record();
    EXPECT_EQ(r.imageSize.v, 3);
    EXPECT_EQ(r.imageSize.h, 7);
    // Fields left alone keep what the host put there.
    EXPECT_EQ(r.imageSize32.v, wide ? 3 : host::kUnset32);
    EXPECT_EQ(r.imageSize32.h, wide ? 7 : host::kUnset32);
    EXPECT_EQ(r.theRect.bottom, wide ? host::kUnset16 : 3);
    EXPECT_EQ(r.theRect.right, wide ? host::kUnset16 : 7);
    EXPECT_EQ(r.theRect32.bottom, wide ? 3 : host::kUnset32);
    EXPECT_EQ(r.theRect32.right, wide ? 7 : host::kUnset32);
    EXPECT_EQ(host.Call(formatSelectorReadFinish), noErr);
    CloseHandle(file);
  }
}

TEST(ReadCoordinates, WideImageKeepsItsSizeInTheThirtyTwoBitFields) {
  Sandbox box;
  WriteFakeFile(box.File("in.fake"),
                {.width = 40000, .height = 1, .bpp = 8, .block = std::vector<uint8_t>(40000, 9)});
  PluginHost host(box.PluginPath());
  HostDocument document;
  ASSERT_EQ(host.Open(box.File("in.fake"), document), noErr);
  EXPECT_EQ(host.Record().imageSize32.h, 40000);
  EXPECT_EQ(host.Record().imageSize.h, 32767) << "held at the largest 16-bit value";
  EXPECT_EQ(document.width, 40000);
}

// A host without 32-bit coordinates takes every size its 16-bit fields hold.
struct SixteenBitCase {
  const char* name;
  int32_t width, height;
  OSErr expected;
};

class SixteenBitHost : public testing::TestWithParam<SixteenBitCase> {};

TEST_P(SixteenBitHost, TakesSizesUpTo32767) {
  const SixteenBitCase& c = GetParam();
  Sandbox box;
  const std::size_t pixels = static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height);
  WriteFakeFile(box.File("in.fake"), {.width = c.width, .height = c.height, .bpp = 8, .block = Sequence(pixels, 3)});
  HostSettings settings;
  settings.supports32BitCoordinates = false;
  PluginHost host(box.PluginPath(), settings);
  HostDocument document;
  ASSERT_EQ(host.Open(box.File("in.fake"), document), c.expected);
  if (c.expected != noErr) return;
  EXPECT_EQ(host.Record().imageSize.h, c.width);
  EXPECT_EQ(host.Record().imageSize.v, c.height);
  EXPECT_EQ(host.Record().theRect.right, c.width);
  EXPECT_EQ(host.Record().theRect.bottom, c.height);
  EXPECT_EQ(document.pixels, Sequence(pixels, 3));
}

INSTANTIATE_TEST_SUITE_P(Images, SixteenBitHost,
                         testing::Values(SixteenBitCase{"Width32767", 32767, 2, noErr},
                                         SixteenBitCase{"Height32767", 2, 32767, noErr},
                                         SixteenBitCase{"Width32768", 32768, 2, formatCannotRead},
                                         SixteenBitCase{"Height32768", 2, 32768, formatCannotRead}),
                         [](const testing::TestParamInfo<SixteenBitCase>& info) { return info.param.name; });

// ---- Images refused rather than mangled ---------------------------------

struct RefusedCase {
  const char* name;
  FakeImage image;
  bool wideHost;
};

class ReadRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(ReadRefused, CannotRead) {
  const RefusedCase& c = GetParam();
  Sandbox box;
  WriteFakeFile(box.File("in.fake"), c.image);
  HostSettings settings;
  settings.supports32BitCoordinates = c.wideHost;
  PluginHost host(box.PluginPath(), settings);
  HostDocument document;
  EXPECT_EQ(host.Open(box.File("in.fake"), document), formatCannotRead);
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_TRUE(document.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, ReadRefused,
    testing::Values(
        RefusedCase{"Bpp16", {.width = 2, .height = 2, .bpp = 16, .block = Sequence(8)}, true},
        RefusedCase{"Bpp24", {.width = 2, .height = 2, .bpp = 24, .block = Sequence(12)}, true},
        RefusedCase{"Bpp4", {.width = 2, .height = 2, .bpp = 4, .block = Sequence(2)}, true},
        RefusedCase{"Bpp0", {.width = 2, .height = 2, .bpp = 0, .block = {}}, true},
        RefusedCase{"ZeroHeight", {.width = 2, .height = 0, .bpp = 32, .block = {}}, true},
        RefusedCase{"ZeroWidth", {.width = 0, .height = 2, .bpp = 8, .block = {}}, true},
        RefusedCase{"NegativeWidth", {.width = -3, .height = 2, .bpp = 32, .block = {}}, true},
        RefusedCase{"TooWideFor16Bit",
                    {.width = 32768, .height = 1, .bpp = 8, .block = std::vector<uint8_t>(32768)},
                    false},
        RefusedCase{"TooHighFor16Bit",
                    {.width = 1, .height = 40000, .bpp = 8, .block = std::vector<uint8_t>(40000)},
                    false},
        // The converter reports more rows than its block holds.
        RefusedCase{"BlockShorterThanRows",
                    {.width = 4, .height = 4, .bpp = 32, .blockBytes = 63, .block = Sequence(63)},
                    true}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

// ---- The failure table of read start ------------------------------------

struct FailureCase {
  const char* name;
  const char* converter;
  std::string control;
  std::function<void(const ProbeSwitches&)> arm;  // memory failures inside the module
  bool unpositionable;
  bool garbage;
  OSErr expected;
  bool libraryLoaded;
};

class ReadStartFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ReadStartFailure, ReportsItsCodeAndLeavesNothingBehind) {
  const FailureCase& c = GetParam();
  Sandbox box({.module = DORV_PROBE_MODULE, .converter = c.converter});
  box.Control(c.control);
  if (c.garbage)
    std::ofstream(box.File("in.fake")) << "not a picture";
  else
    WriteFakeFile(box.File("in.fake"), {.width = 3, .height = 3, .bpp = 32, .block = Sequence(36)});
  HostSettings settings;
  settings.imageResources = {1, 2, 3};  // so that read finish acquires the handle suite
  PluginHost host(box.PluginPath(), settings);
  ProbeSwitches probe(box.PluginPath());

  std::optional<TestPipe> pipe;
  HANDLE file;
  if (c.unpositionable) {
    pipe.emplace();
    file = pipe->ReadEnd();
  } else {
    file = CreateFileA(box.File("in.fake").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }
  host.PrepareOpen(file);
  ASSERT_EQ(host.Call(formatSelectorReadPrepare), noErr);
  if (c.arm) c.arm(probe);
  EXPECT_EQ(host.Call(formatSelectorReadStart), c.expected);
  EXPECT_EQ(host.Data(), nullptr);
  const std::vector<std::string> log = box.Log();
  if (c.libraryLoaded) {
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "load");
    EXPECT_EQ(log.back(), "unload") << "the library stays loaded";
  } else {
    EXPECT_TRUE(log.empty());
  }
  // Read finish after a failed start does nothing harmful.
  EXPECT_EQ(host.Call(formatSelectorReadFinish), noErr);
  EXPECT_EQ(host.LiveHandles(), 0u);
  EXPECT_TRUE(host.Counts().Balanced());
  if (c.unpositionable) {
    pipe.reset();
  } else {
    CloseHandle(file);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadStartFailure,
    testing::Values(
        FailureCase{"FileCannotBePositioned", DORV_FAKE_FULL, "", nullptr, true, false,
                    kFilePositionErr, false},
        FailureCase{"PixelBlockCannotBeAllocated", DORV_FAKE_FULL, "",
                    [](const ProbeSwitches& p) { p.FailGlobalAllocs(1); }, false, false,
                    formatCannotRead, false},
        FailureCase{"LibraryMissing", nullptr, "", nullptr, false, false, kConverterErr, false},
        FailureCase{"LibraryLacksConvertRead", DORV_FAKE_NO_READ, "", nullptr, false, false,
                    formatCannotRead, true},
        FailureCase{"ConverterRefuses", DORV_FAKE_FULL, "read=fail", nullptr, false, false,
                    formatCannotRead, true},
        // Caught by the leak checker when the first block is lost.
        FailureCase{"ConverterResizeFails", DORV_FAKE_FULL, "read=fail_resize", nullptr, false,
                    false, formatCannotRead, true},
        FailureCase{"UnreadableFile", DORV_FAKE_FULL, "", nullptr, false, true, formatCannotRead,
                    true},
        FailureCase{"PixelBlockCannotBeLocked", DORV_FAKE_FULL, "",
                    [](const ProbeSwitches& p) { p.FailGlobalLocks(1); }, false, false,
                    formatCannotRead, true},
        FailureCase{"ReadBufferCannotBeAllocated", DORV_FAKE_FULL, "",
                    [](const ProbeSwitches& p) { p.FailBufferAllocations(1); }, false, false,
                    memFullErr, true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// ---- Around read start ---------------------------------------------------

TEST(ReadStart, RewindsTheFileAndFreesTheLibraryBeforeReturning) {
  Sandbox box;
  WriteFakeFile(box.File("in.fake"), {.width = 1, .height = 1, .bpp = 8, .block = {7}});
  PluginHost host(box.PluginPath());
  HANDLE file = CreateFileA(box.File("in.fake").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_EQ(SetFilePointer(file, 9, nullptr, FILE_BEGIN), 9u);
  host.PrepareOpen(file);
  ASSERT_EQ(host.Call(formatSelectorReadStart), noErr);
  EXPECT_EQ(box.Log(), (std::vector<std::string>{"load", "ConvertRead at=0", "unload"}));
  ASSERT_NE(host.Data(), nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(host.Data())[0], 7);
  EXPECT_EQ(host.Call(formatSelectorReadContinue), noErr);
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_EQ(host.Call(formatSelectorReadFinish), noErr);
  CloseHandle(file);
}

TEST(ReadFinish, DisposesImageResourcesThroughTheHandleSuite) {
  Sandbox box;
  WriteFakeFile(box.File("in.fake"), {.width = 1, .height = 1, .bpp = 8, .block = {7}});
  HostSettings settings;
  settings.imageResources = {1, 2, 3, 4};
  PluginHost host(box.PluginPath(), settings);
  HostDocument document;
  ASSERT_EQ(host.Open(box.File("in.fake"), document), noErr);
  EXPECT_EQ(host.Counts().acquired, 1);
  EXPECT_EQ(host.Counts().released, 1);
  EXPECT_EQ(host.Counts().disposed, 1);
  EXPECT_EQ(host.Counts().unknownDisposes, 0);
  EXPECT_EQ(host.LiveHandles(), 0u);
  EXPECT_EQ(host.Record().imageRsrcData, nullptr);
  EXPECT_EQ(host.Record().imageRsrcSize, 0);
}

TEST(ReadFinish, CompletesWhenTheHostHasNoHandleSuite) {
  for (bool basicSuite : {true, false}) {
    Sandbox box;
    WriteFakeFile(box.File("in.fake"), {.width = 1, .height = 1, .bpp = 8, .block = {7}});
    HostSettings settings;
    settings.imageResources = {1, 2};
    settings.offerHandleSuite = false;
    settings.offerBasicSuite = basicSuite;
    PluginHost host(box.PluginPath(), settings);
    HostDocument document;
    EXPECT_EQ(host.Open(box.File("in.fake"), document), noErr);
    EXPECT_EQ(document.pixels, std::vector<uint8_t>{7});
    // The handle stays the host's, untouched.
    EXPECT_EQ(host.LiveHandles(), 1u);
    EXPECT_NE(host.Record().imageRsrcData, nullptr);
    EXPECT_EQ(host.Counts().acquired, 0);
    EXPECT_EQ(host.Counts().released, 0);
  }
}

}  // namespace
}  // namespace dorv::test
