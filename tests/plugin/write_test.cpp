// Saving a file: the save options, the size estimate, what the converter
// receives, and every way options start and write start can fail.
#include <gtest/gtest.h>

#include <filesystem>
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

// ---- What the converter receives ----------------------------------------

struct SaveCase {
  const char* name;
  HostDocument document;
  int32_t bitsPerPixel;
  int32_t rowBytes;
};

class SaveArguments : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveArguments, ReachTheConverterAsTheHostGaveThem) {
  const SaveCase& c = GetParam();
  Sandbox box;
  box.Control("config=confirm\ncompression=2\nquality=50\ncode=0\n");
  PluginHost host(box.PluginPath());
  ASSERT_EQ(host.Save(c.document, box.File("out"), true), noErr);

  EXPECT_EQ(box.Log(), (std::vector<std::string>{"load",
                                                 "ConfigWrite bpp=" +
                                                     std::to_string(c.bitsPerPixel),
                                                 "unload", "load", "ConvertWrite", "unload"}));
  EXPECT_EQ(host.Record().rowBytes, c.rowBytes);
  EXPECT_EQ(host.Record().colBytes, c.document.planes);
  EXPECT_EQ(host.Record().planeBytes, 1);
  EXPECT_EQ(host.Record().hiPlane, c.document.planes - 1);
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_EQ(host.Counts().advanceStateCalls, 1);

  const auto written = ReadWriteRecord(box.File("out"));
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->position, 0);
  EXPECT_EQ(written->width, c.document.width);
  EXPECT_EQ(written->height, c.document.height);
  EXPECT_EQ(written->planes, c.document.planes);
  EXPECT_EQ(written->depth, c.document.depth);
  EXPECT_EQ(written->imageMode, c.document.mode);
  EXPECT_EQ(written->transparentIndex, c.document.transparentIndex);
  EXPECT_EQ(written->compressionType, 2);
  EXPECT_EQ(written->quality, 50);
  EXPECT_EQ(written->code, 0);
  EXPECT_EQ(written->red, c.document.red);
  EXPECT_EQ(written->green, c.document.green);
  EXPECT_EQ(written->blue, c.document.blue);
  EXPECT_EQ(written->pixels, c.document.pixels);
  EXPECT_EQ(written->pixels.size(), static_cast<std::size_t>(c.rowBytes) * c.document.height);
}

HostDocument WithTransparentIndex(HostDocument document, int32_t index) {
  document.transparentIndex = index;
  return document;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, SaveArguments,
    testing::Values(
        SaveCase{"RgbWithTransparency3x2", PatternDocument(plugInModeRGBColor, 3, 2, 8, 4), 32, 12},
        SaveCase{"Rgb5x3", PatternDocument(plugInModeRGBColor, 5, 3, 8, 3), 24, 15},
        SaveCase{"Bitmap10x3", PatternDocument(plugInModeBitmap, 10, 3, 1, 1), 1, 2},
        SaveCase{"Indexed4x4",
                 WithTransparentIndex(PatternDocument(plugInModeIndexedColor, 4, 4, 8, 1), 5), 8,
                 4},
        SaveCase{"Grey3x3", PatternDocument(plugInModeGrayScale, 3, 3, 8, 1), 8, 3},
        SaveCase{"GreyWithAlpha3x3", PatternDocument(plugInModeGrayScale, 3, 3, 8, 2), 16, 6}),
    [](const testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

TEST(SaveArguments, WideDocumentGoesThroughTheThirtyTwoBitSize) {
  Sandbox box;
  PluginHost host(box.PluginPath());
  const HostDocument wide = PatternDocument(plugInModeGrayScale, 40000, 2, 8, 1);
  ASSERT_EQ(host.Save(wide, box.File("out"), false), noErr);
  const auto written = ReadWriteRecord(box.File("out"));
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->width, 40000);
  EXPECT_EQ(written->pixels, wide.pixels);
  EXPECT_EQ(host.Record().theRect32.right, 40000);
}

// ---- The save options ---------------------------------------------------

struct Options {
  int32_t compression, quality, code;
  bool operator==(const Options&) const = default;
};

Options WrittenOptions(const Sandbox& box, const std::string& file) {
  const auto written = ReadWriteRecord(box.File(file));
  if (!written) return {-1, -1, -1};
  return {written->compressionType, written->quality, written->code};
}

TEST(SaveOptions, LastConfirmedDialogAppliesUntilAnotherIsConfirmed) {
  Sandbox box;
  PluginHost host(box.PluginPath());
  const HostDocument rgb = PatternDocument(plugInModeRGBColor, 2, 2, 8, 3);

  // No dialog yet: the initial options.
  ASSERT_EQ(host.Save(rgb, box.File("1"), false), noErr);
  EXPECT_EQ(WrittenOptions(box, "1"), (Options{1, 70, 0}));

  box.Control("config=confirm\ncompression=0\nquality=50\ncode=0\n");
  ASSERT_EQ(host.Save(rgb, box.File("2"), true), noErr);
  EXPECT_EQ(WrittenOptions(box, "2"), (Options{0, 50, 0}));
  ASSERT_EQ(host.Save(rgb, box.File("3"), false), noErr);
  EXPECT_EQ(WrittenOptions(box, "3"), (Options{0, 50, 0}));

  // Cancelled dialogs, also one that scribbles on its outputs, change nothing.
  for (const char* cancel : {"config=cancel\n", "config=cancel_scribble\n"}) {
    box.Control(cancel);
    EXPECT_EQ(host.Save(rgb, box.File("4"), true), userCanceledErr);
    ASSERT_EQ(host.Save(rgb, box.File("5"), false), noErr);
    EXPECT_EQ(WrittenOptions(box, "5"), (Options{0, 50, 0})) << cancel;
  }

  // A fresh copy of the plug-in starts from the initial options again.
  Sandbox fresh;
  PluginHost other(fresh.PluginPath());
  ASSERT_EQ(other.Save(rgb, fresh.File("6"), false), noErr);
  EXPECT_EQ(WrittenOptions(fresh, "6"), (Options{1, 70, 0}));
}

// ---- Actions and batches played without dialogs ---------------------------

struct PlayCase {
  const char* name;
  std::optional<int16_t> playInfo;  // empty: no scripting parameters
  bool dialog;
};

class PlayedSave : public testing::TestWithParam<PlayCase> {};

bool AskedConfigWrite(const std::vector<std::string>& log) {
  for (const std::string& line : log)
    if (line.rfind("ConfigWrite", 0) == 0) return true;
  return false;
}

TEST_P(PlayedSave, ShowsTheDialogOnlyWhenTheHostLetsIt) {
  const PlayCase& c = GetParam();
  Sandbox box;
  HostSettings settings;
  settings.playInfo = c.playInfo;
  PluginHost host(box.PluginPath(), settings);
  const HostDocument rgb = PatternDocument(plugInModeRGBColor, 2, 2, 8, 3);

  // The first save: a dialog that would choose other options.
  box.Control("config=confirm\ncompression=0\nquality=50\ncode=0\n");
  ASSERT_EQ(host.Save(rgb, box.File("1"), true), noErr);
  EXPECT_EQ(AskedConfigWrite(box.Log()), c.dialog);
  EXPECT_EQ(WrittenOptions(box, "1"), c.dialog ? (Options{0, 50, 0}) : (Options{1, 70, 0}));

  // Confirmed interactively, then played again: a dialog that would cancel
  // stops only a save that shows it.
  host.Settings().playInfo = plugInDialogDisplay;
  box.Control("config=confirm\ncompression=2\nquality=40\ncode=0\n");
  ASSERT_EQ(host.Save(rgb, box.File("2"), true), noErr);
  host.Settings().playInfo = c.playInfo;
  box.Control("config=cancel\n");
  box.ClearLog();
  EXPECT_EQ(host.Save(rgb, box.File("3"), true), c.dialog ? userCanceledErr : noErr);
  EXPECT_EQ(AskedConfigWrite(box.Log()), c.dialog);
  if (!c.dialog) {
    EXPECT_EQ(WrittenOptions(box, "3"), (Options{2, 40, 0}));
    EXPECT_EQ(box.Log(), (std::vector<std::string>{"load", "ConvertWrite", "unload"}))
        << "options start loads nothing";
  }
  EXPECT_TRUE(host.Violations().empty());
  EXPECT_TRUE(host.Counts().Balanced());
}

INSTANTIATE_TEST_SUITE_P(
    PlayInfo, PlayedSave,
    testing::Values(PlayCase{"NoScriptingParameters", std::nullopt, true},
                    PlayCase{"DontDisplay", plugInDialogDontDisplay, false},
                    PlayCase{"Display", plugInDialogDisplay, true},
                    PlayCase{"Silent", plugInDialogSilent, false}),
    [](const testing::TestParamInfo<PlayCase>& info) { return info.param.name; });

struct OptionsFailure {
  const char* name;
  const char* converter;
  const char* control;
  OSErr expected;
};

class OptionsStartFailure : public testing::TestWithParam<OptionsFailure> {};

TEST_P(OptionsStartFailure, EndsTheSaveAndKeepsTheOptions) {
  const OptionsFailure& c = GetParam();
  Sandbox box({.converter = c.converter});
  box.Control(c.control);
  HostSettings settings;
  settings.imageResources = {1};
  PluginHost host(box.PluginPath(), settings);
  const HostDocument rgb = PatternDocument(plugInModeRGBColor, 2, 2, 8, 3);
  EXPECT_EQ(host.Save(rgb, box.File("out"), true), c.expected);
  ASSERT_EQ(host.Calls().size(), 2u) << "the host abandons the save";
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_TRUE(host.Counts().Balanced());
  EXPECT_EQ(std::filesystem::file_size(box.File("out")), 0u);
  const auto log = box.Log();
  if (c.converter != nullptr) {
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "unload");
  }
  // The options were not touched.
  if (c.converter != nullptr && std::string(c.converter) == DORV_FAKE_FULL) {
    ASSERT_EQ(host.Save(rgb, box.File("next"), false), noErr);
    EXPECT_EQ(WrittenOptions(box, "next"), (Options{1, 70, 0}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, OptionsStartFailure,
    testing::Values(OptionsFailure{"LibraryMissing", nullptr, "", kConverterErr},
                    OptionsFailure{"LibraryLacksConfigWrite", DORV_FAKE_NO_CONFIG, "",
                                   kConverterErr},
                    OptionsFailure{"Cancelled", DORV_FAKE_FULL, "config=cancel", userCanceledErr},
                    OptionsFailure{"CancelledAfterWritingOutputs", DORV_FAKE_FULL,
                                   "config=cancel_scribble", userCanceledErr}),
    [](const testing::TestParamInfo<OptionsFailure>& info) { return info.param.name; });

// ---- The size estimate --------------------------------------------------

struct EstimateCase {
  const char* name;
  int16_t mode;
  int32_t width, height;
  int16_t depth, planes;
  int32_t resources;
  int32_t expected;
};

class Estimate : public testing::TestWithParam<EstimateCase> {};

TEST_P(Estimate, CountsRowsPlanesAndResources) {
  const EstimateCase& c = GetParam();
  Sandbox box;
  HostSettings settings;
  settings.imageResources.assign(static_cast<std::size_t>(c.resources), 0);
  PluginHost host(box.PluginPath(), settings);
  HostDocument document;
  document.mode = c.mode;
  document.width = c.width;
  document.height = c.height;
  document.depth = c.depth;
  document.planes = c.planes;
  host.PrepareSave(document, nullptr);
  host.Record().data = &host;
  ASSERT_EQ(host.Call(formatSelectorEstimateStart), noErr);
  EXPECT_EQ(host.Record().minDataBytes, c.expected);
  EXPECT_EQ(host.Record().maxDataBytes, c.expected);
  EXPECT_EQ(host.Data(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Estimate,
    testing::Values(
        EstimateCase{"Indexed4x4", plugInModeIndexedColor, 4, 4, 8, 1, 0, 16 + 56},
        EstimateCase{"Indexed4x4WithResources", plugInModeIndexedColor, 4, 4, 8, 1, 100,
                     16 + 100 + 56},
        EstimateCase{"Rgb4x4", plugInModeRGBColor, 4, 4, 8, 3, 0, 48 + 44},
        EstimateCase{"Rgb4x4WithResources", plugInModeRGBColor, 4, 4, 8, 3, 20, 48 + 20 + 44},
        EstimateCase{"Bitmap10x2", plugInModeBitmap, 10, 2, 1, 1, 0, 4 + 44},
        // 32767 x 32767 x 4 bytes does not fit in the 32-bit fields.
        EstimateCase{"Huge", plugInModeRGBColor, 32767, 32767, 8, 4, 0, 0x7FFFFFFF}),
    [](const testing::TestParamInfo<EstimateCase>& info) { return info.param.name; });

// ---- The failure table of write start -----------------------------------

struct WriteFailure {
  const char* name;
  const char* converter;
  const char* control;
  std::function<void(HostSettings&)> adjust;
  std::function<void(const ProbeSwitches&)> arm;
  bool unpositionable;
  OSErr expected;
  int advanceStateCalls;
  bool libraryLoaded;
};

class WriteStartFailure : public testing::TestWithParam<WriteFailure> {};

TEST_P(WriteStartFailure, ReportsItsCodeAndFreesTheBuffer) {
  const WriteFailure& c = GetParam();
  Sandbox box({.module = DORV_PROBE_MODULE, .converter = c.converter});
  box.Control(c.control);
  HostSettings settings;
  if (c.adjust) c.adjust(settings);
  PluginHost host(box.PluginPath(), settings);
  ProbeSwitches probe(box.PluginPath());
  const HostDocument rgb = PatternDocument(plugInModeRGBColor, 3, 2, 8, 4);

  std::optional<TestPipe> pipe;
  HANDLE file;
  if (c.unpositionable) {
    pipe.emplace();
    file = pipe->WriteEnd();
  } else {
    file = CreateFileA(box.File("out").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       CREATE_ALWAYS, 0, nullptr);
  }
  if (c.arm) c.arm(probe);
  EXPECT_EQ(host.SaveHandle(rgb, file, false), c.expected);
  EXPECT_EQ(host.Calls().back().selector, formatSelectorWriteStart);
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_EQ(host.Counts().advanceStateCalls, c.advanceStateCalls);
  EXPECT_TRUE(host.Counts().Balanced());
  const auto log = box.Log();
  if (c.libraryLoaded) {
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "load");
    EXPECT_EQ(log.back(), "unload");
  } else {
    EXPECT_TRUE(log.empty());
  }
  if (c.unpositionable) {
    pipe.reset();
  } else {
    CloseHandle(file);
    EXPECT_EQ(std::filesystem::file_size(box.File("out")), 0u) << "the file stays as created";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WriteStartFailure,
    testing::Values(
        WriteFailure{"FileCannotBePositioned", DORV_FAKE_FULL, "", nullptr, nullptr, true,
                     kFilePositionErr, 0, false},
        WriteFailure{"BufferCannotBeAllocated", DORV_FAKE_FULL, "", nullptr,
                     [](const ProbeSwitches& p) { p.FailBufferAllocations(1); }, false,
                     memFullErr, 0, false},
        WriteFailure{"AdvanceStateError", DORV_FAKE_FULL, "",
                     [](HostSettings& s) { s.advanceStateError = -4321; }, nullptr, false, -4321,
                     1, false},
        WriteFailure{"LibraryMissing", nullptr, "", nullptr, nullptr, false, kConverterErr, 1,
                     false},
        WriteFailure{"LibraryLacksConvertWrite", DORV_FAKE_NO_WRITE, "", nullptr, nullptr, false,
                     kConverterErr, 1, true},
        WriteFailure{"ConverterFails", DORV_FAKE_FULL, "write=fail", nullptr, nullptr, false,
                     kConverterErr, 1, true}),
    [](const testing::TestParamInfo<WriteFailure>& info) { return info.param.name; });

// ---- Documents deeper than the converter writes ---------------------------

struct DeepCase {
  const char* name;
  HostDocument document;
  bool runOptions;
};

class DeepDocument : public testing::TestWithParam<DeepCase> {};

TEST_P(DeepDocument, NeverReachesTheConverter) {
  const DeepCase& c = GetParam();
  Sandbox box;
  box.Control("config=confirm\ncompression=0\nquality=50\ncode=0\n");
  PluginHost host(box.PluginPath());
  EXPECT_EQ(host.Save(c.document, box.File("out"), c.runOptions), formatBadParameters);
  EXPECT_TRUE(box.Log().empty()) << "the converter was loaded";
  EXPECT_EQ(host.Counts().advanceStateCalls, 0);
  EXPECT_EQ(std::filesystem::file_size(box.File("out")), 0u);
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_TRUE(host.Counts().Balanced());
}

HostDocument Deep(int16_t mode, int16_t depth, int16_t planes) {
  HostDocument document = PatternDocument(mode, 3, 2, 8, planes);
  document.depth = depth;
  document.pixels.resize(document.ImageBytes());
  return document;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DeepDocument,
    testing::Values(
        DeepCase{"Rgb16BitsAtOptions", Deep(plugInModeRGBColor, 16, 3), true},
        DeepCase{"Rgb16BitsAtWrite", Deep(plugInModeRGBColor, 16, 3), false},
        DeepCase{"RgbWithTransparency16Bits", Deep(plugInModeRGBColor, 16, 4), false},
        DeepCase{"Grey16Bits", Deep(plugInModeGrayScale, 16, 1), true},
        DeepCase{"Rgb32Bits", Deep(plugInModeRGBColor, 32, 3), false}),
    [](const testing::TestParamInfo<DeepCase>& info) { return info.param.name; });

struct DegenerateCase {
  const char* name;
  std::function<void(FormatRecord&)> spoil;
};

class WriteDegenerate : public testing::TestWithParam<DegenerateCase> {};

TEST_P(WriteDegenerate, IsRefusedBeforeAnythingIsAllocated) {
  Sandbox box;
  HostSettings settings;
  settings.supports32BitCoordinates = false;
  PluginHost host(box.PluginPath(), settings);
  const HostDocument rgb = PatternDocument(plugInModeRGBColor, 3, 2, 8, 3);
  HANDLE file = CreateFileA(box.File("out").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  host.PrepareSave(rgb, file);
  GetParam().spoil(host.Record());
  EXPECT_EQ(host.Call(formatSelectorWriteStart), kConverterErr);
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_EQ(host.Counts().advanceStateCalls, 0);
  EXPECT_TRUE(box.Log().empty());
  CloseHandle(file);
}

INSTANTIATE_TEST_SUITE_P(
    Records, WriteDegenerate,
    testing::Values(DegenerateCase{"NoColumns", [](FormatRecord& r) { r.imageSize.h = 0; }},
                    DegenerateCase{"NegativeRows", [](FormatRecord& r) { r.imageSize.v = -3; }},
                    DegenerateCase{"NoPlanes", [](FormatRecord& r) { r.planes = 0; }},
                    DegenerateCase{"NegativeDepth", [](FormatRecord& r) { r.depth = -8; }}),
    [](const testing::TestParamInfo<DegenerateCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dorv::test
