#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "converter/core/errors.h"
#include "converter/core/messages.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/plane_coding.h"

namespace dorv {
namespace {

// Which planes are stored scrambled, and under which code, for the plane
// readers and the writer alike.
struct ScrambleCase {
  const char* Name;
  int32_t Version;
  bool Randomized;
  uint8_t CompType;
  bool IsAlpha;
  int32_t Code;
  bool Scrambled;
  std::optional<int32_t> DrawnWith;  // nullopt: the code is required
};

class ScrambleRuleTest : public ::testing::TestWithParam<ScrambleCase> {};

TEST_P(ScrambleRuleTest, NamesTheCodeOrAsksForIt) {
  const ScrambleCase& c = GetParam();
  THeaderInfo h;
  h.Version = c.Version;
  h.Randomized = c.Randomized ? 1 : 0;
  h.CompType = c.CompType;
  EXPECT_EQ(StoredScrambled(h), c.Scrambled);
  if (c.DrawnWith) {
    EXPECT_EQ(ScrambleCode(h, c.Code), *c.DrawnWith);
  } else {
    try {
      (void)ScrambleCode(h, c.Code);
      FAIL() << "no error";
    } catch (const EFormatError& e) {
      EXPECT_STREQ(e.what(), msg::kCodeRequired);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Planes, ScrambleRuleTest,
    ::testing::Values(
        ScrambleCase{"written_in_order", kVersionWritten, false, kCompZlib, false, 0, false, 0},
        ScrambleCase{"written_with_a_code", kVersionWritten, true, kCompNone, false, 77, true, 77},
        ScrambleCase{"alpha_with_a_code", kVersionWritten, true, kCompNone, true, 77, true, 77},
        ScrambleCase{"randomized_without_code", kVersionWritten, true, kCompZlib, false, 0, true, std::nullopt},
        ScrambleCase{"code_but_not_randomized", kVersionWritten, false, kCompNone, false, 77, false, 0},
        ScrambleCase{"jpeg_colour_never", kVersionWritten, true, kCompJpeg, false, 0, false, 0},
        ScrambleCase{"alpha_beside_jpeg_in_order", kVersionWritten, true, kCompJpeg, true, 77, false, 0},
        ScrambleCase{"alpha_beside_jpeg_needs_no_code", kVersionWritten, true, kCompJpeg, true, 0, false, 0},
        ScrambleCase{"old_rows_with_code", kVersionBGColor, false, kCompZlib, false, 77, true, 77},
        ScrambleCase{"old_rows_without_code", kVersionBGColor, false, kCompZlib, false, 0, true, 0},
        ScrambleCase{"old_randomized_without_code", 0, true, kCompZlib, false, 0, true, std::nullopt},
        ScrambleCase{"first_current_version", kVersionCurrentCoding, false, kCompNone, false, 77, false, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace dorv
