// Replays every input kept under tests/fuzz_regressions/<target>/ through
// the body of that fuzz target: inputs that once crashed or broke an oracle,
// and a few that reach deep paths. Each must now run clean.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz_check.h"

namespace dorv::fuzz {
namespace {

namespace fs = std::filesystem;
using Runner = int (*)(const uint8_t*, size_t);

const std::map<std::string, Runner>& Runners() {
  static const std::map<std::string, Runner> runners{
      {"convert_read", RunConvertRead}, {"header_xml", RunHeaderXml},   {"decode_plane", RunDecodePlane},
      {"legacy_reader", RunLegacyReader}, {"write_read", RunWriteRead}, {"frames_read", RunFramesRead},
      {"dov_decoder", RunDovDecoder}};
  return runners;
}

std::vector<fs::path> KeptInputs() {
  std::vector<fs::path> files;
  for (const auto& dir : fs::directory_iterator(DORV_FUZZ_REGRESSIONS_DIR))
    if (dir.is_directory())
      for (const auto& f : fs::directory_iterator(dir.path()))
        if (f.is_regular_file()) files.push_back(f.path());
  std::sort(files.begin(), files.end());
  return files;
}

class FuzzRegression : public ::testing::TestWithParam<fs::path> {};

TEST_P(FuzzRegression, RunsClean) {
  const fs::path& file = GetParam();
  const auto runner = Runners().find(file.parent_path().filename().string());
  ASSERT_NE(runner, Runners().end()) << "no fuzz target named " << file.parent_path().filename();
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NO_THROW(runner->second(bytes.data(), bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(Kept, FuzzRegression, ::testing::ValuesIn(KeptInputs()), [](const auto& info) {
  std::string name = info.param.parent_path().filename().string() + "_" + info.param.filename().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

TEST(FuzzRegression, EveryTargetHasKeptInputs) {
  for (const auto& [name, run] : Runners())
    EXPECT_TRUE(fs::is_directory(fs::path(DORV_FUZZ_REGRESSIONS_DIR) / name)) << name;
}

}  // namespace
}  // namespace dorv::fuzz
