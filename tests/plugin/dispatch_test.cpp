// The entry point: the host check, selectors that do no work, the about box,
// and where the converter library is looked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "plugin/converter_binding.h"
#include "tools/host/plugin_host.h"
#include "sandbox.h"

namespace dorv::test {
namespace {

using namespace host_api;
using host::HostSettings;
using host::PluginHost;

// ---- A host that lacks a required callback --------------------------------

struct MissingCase {
  const char* name;
  std::function<void(HostSettings&)> take;
};

class InsufficientHost : public testing::TestWithParam<MissingCase> {};

TEST_P(InsufficientHost, GetsMinus30900ForEverySelectorButAbout) {
  Sandbox box;
  HostSettings settings;
  GetParam().take(settings);
  PluginHost host(box.PluginPath(), settings);
  ASSERT_TRUE(host.Loaded());
  for (int16_t selector : {1, 2, 3, 4, 5, 6, 9, 10, 13, 14, 17, 40}) {
    host.PrepareOpen(nullptr);
    EXPECT_EQ(host.Call(selector), errPlugInHostInsufficient) << "selector " << selector;
    EXPECT_EQ(host.Record().maxData, 1 << 20) << "no selector work for " << selector;
    EXPECT_EQ(host.Record().PluginUsing32BitCoordinates, 0);
  }
  EXPECT_TRUE(box.Log().empty()) << "the converter was loaded";
  EXPECT_EQ(host.Counts().acquired, 0);
  EXPECT_EQ(host.Counts().released, 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(host.CallAbout(), noErr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("DorvStudio Format"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Missing, InsufficientHost,
    testing::Values(MissingCase{"AdvanceState", [](HostSettings& s) { s.offerAdvanceState = false; }},
                    MissingCase{"ResourceProcs", [](HostSettings& s) { s.offerResourceProcs = false; }},
                    MissingCase{"CountProc", [](HostSettings& s) { s.offerCountProc = false; }},
                    MissingCase{"GetProc", [](HostSettings& s) { s.offerGetProc = false; }},
                    MissingCase{"AddProc", [](HostSettings& s) { s.offerAddProc = false; }}),
    [](const testing::TestParamInfo<MissingCase>& info) { return info.param.name; });

TEST(Entry, NullFormatRecordIsAnInsufficientHost) {
  Sandbox box;
  PluginHost host(box.PluginPath());
  int16_t result = 0;
  intptr_t slot = 0;
  host.Entry()(formatSelectorReadStart, nullptr, &slot, &result);
  EXPECT_EQ(result, errPlugInHostInsufficient);
  EXPECT_EQ(slot, 0);
}

// ---- Selectors without work ---------------------------------------------

class QuietSelector : public testing::TestWithParam<int> {};

TEST_P(QuietSelector, LeavesTheResultAndTheRecordAsTheHostSetThem) {
  Sandbox box;
  PluginHost host(box.PluginPath());
  host.PrepareSave(PatternDocument(plugInModeRGBColor, 2, 2, 8, 3), nullptr);
  host.Record().data = &host;
  host.Record().minDataBytes = 5;
  const int16_t selector = static_cast<int16_t>(GetParam());
  EXPECT_EQ(host.Call(selector, 1234), 1234);
  EXPECT_EQ(host.Data(), &host);
  EXPECT_EQ(host.Record().maxData, 1 << 20);
  EXPECT_EQ(host.Record().minDataBytes, 5);
  EXPECT_TRUE(box.Log().empty());
}

INSTANTIATE_TEST_SUITE_P(Selectors, QuietSelector,
                         testing::Values(7, 8, 11, 12, 15, 16, 17, 18, 255, -1, -32768));

class PrepareSelector : public testing::TestWithParam<int> {};

TEST_P(PrepareSelector, AsksForNoMemory) {
  Sandbox box;
  PluginHost host(box.PluginPath());
  EXPECT_EQ(host.Call(static_cast<int16_t>(GetParam())), noErr);
  EXPECT_EQ(host.Record().maxData, 0);
}

INSTANTIATE_TEST_SUITE_P(Selectors, PrepareSelector, testing::Values(1, 5, 9, 13));

TEST(Entry, UsesThirtyTwoBitCoordinatesExactlyWhenTheHostHasThem) {
  for (bool supported : {true, false}) {
    Sandbox box;
    HostSettings settings;
    settings.supports32BitCoordinates = supported;
    PluginHost host(box.PluginPath(), settings);
    host.Call(formatSelectorFilterFile);
    EXPECT_EQ(host.Record().PluginUsing32BitCoordinates, supported ? 1 : 0);
  }
}

TEST(About, ShowsNameAndVersionAndLeavesTheResult) {
  Sandbox box({.converter = nullptr});  // works without the converter
  PluginHost host(box.PluginPath());
  testing::internal::CaptureStderr();
  EXPECT_EQ(host.CallAbout(555), 555);
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("DorvStudio Format 1.0.0\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("(.dov)"), std::string::npos) << shown;
}

// ---- Finding the converter ------------------------------------------------

// Runs read start, options start and write start; returns their results.
std::vector<OSErr> RunConverterSelectors(const Sandbox& box) {
  WriteFakeFile(box.File("in.fake"), {.width = 1, .height = 1, .bpp = 8, .block = {0}});
  PluginHost host(box.PluginPath());
  host::HostDocument document;
  std::vector<OSErr> results;
  results.push_back(host.Open(box.File("in.fake"), document));
  const host::HostDocument rgb = PatternDocument(plugInModeRGBColor, 2, 2, 8, 3);
  results.push_back(host.Save(rgb, box.File("out.a"), true));
  results.push_back(host.Save(rgb, box.File("out.b"), false));
  return results;
}

constexpr std::size_t kNameLength = sizeof(plugin::kConverterFileName) - 1;

struct LocationCase {
  const char* name;
  SandboxOptions options;
  OSErr expected;
};

class ConverterLocation : public testing::TestWithParam<LocationCase> {};

TEST_P(ConverterLocation, DecidesWhetherOpenAndSaveWork) {
  const LocationCase& c = GetParam();
  Sandbox box(c.options);
  const std::vector<OSErr> expected(3, c.expected);
  EXPECT_EQ(RunConverterSelectors(box), expected);
}

// A subfolder that makes the folder of the plug-in, with its separator,
// exactly `length` bytes long.
std::string SubfolderFor(std::size_t length) {
  const std::size_t total = length - 2 - SandboxRootLength();
  std::string sub;
  while (sub.size() < total) {
    const std::size_t remaining = total - sub.size() - (sub.empty() ? 0 : 1);
    std::size_t part = std::min<std::size_t>(100, remaining);
    if (remaining - part == 1) --part;  // leave room for one more "/d"
    if (!sub.empty()) sub += '/';
    sub += std::string(part, 'd');
  }
  return sub;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ConverterLocation,
    testing::Values(
        LocationCase{"Beside", {}, noErr},
        LocationCase{"Missing", {.converter = nullptr}, kConverterErr},
        LocationCase{"ShiftJisFileName", {.pluginName = "Dorv\x83\x5C" "Format.8bi"}, noErr},
        LocationCase{"Utf8Folder", {.subfolder = "\xE3\x81\x82"}, noErr},
        // Library path of 259 bytes plus its terminator: still fits.
        LocationCase{"LibraryPathFits",
                     {.pluginName = "D.8bi", .subfolder = SubfolderFor(259 - kNameLength)},
                     noErr},
        LocationCase{"LibraryPathTooLong",
                     {.pluginName = "D.8bi", .subfolder = SubfolderFor(260 - kNameLength)},
                     kConverterErr}
#ifndef _WIN32  // Windows loads no module from a path that long
        ,
        // The module's own name does not fit in the path buffer.
        LocationCase{"PluginPathTooLong", {.subfolder = SubfolderFor(300)}, kConverterErr}
#endif
        ),
    [](const testing::TestParamInfo<LocationCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dorv::test
