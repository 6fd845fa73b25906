// The host's check of what a selector wrote: a change to a field the
// selector may write passes, any other change is named.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/host_api.h"
#include "tools/host/plugin_host.h"
#include "tools/host/record_check.h"

namespace dorv::test {
namespace {

using namespace host_api;

struct WriteCase {
  const char* name;
  int16_t selector;
  bool thirtyTwoBit;
  std::size_t offset;  // the byte the module changed
  const char* reported;  // null when the selector may write it
};

class SelectorWrites : public testing::TestWithParam<WriteCase> {};

TEST_P(SelectorWrites, AreAllowedOnlyInTheSelectorsFields) {
  const WriteCase& c = GetParam();
  std::vector<uint8_t> record(sizeof(FormatRecord), host::kUnsetByte);
  const host::RecordSnapshot before(record.data(), record.size());
  record[c.offset] ^= 0xFF;
  const std::vector<std::string> forbidden =
      before.ForbiddenChanges(record.data(), c.selector, c.thirtyTwoBit);
  if (c.reported == nullptr)
    EXPECT_TRUE(forbidden.empty()) << forbidden.front();
  else
    EXPECT_EQ(forbidden, std::vector<std::string>{c.reported});
}

std::string ByteName(std::size_t offset) { return "byte " + std::to_string(offset); }
const std::string kHostSig = ByteName(offsetof(FormatRecord, hostSig));
const std::string kLastByte = ByteName(sizeof(FormatRecord) - 1);
const std::string kPastTheRect32 = ByteName(offsetof(FormatRecord, requestedFileProperty));

#define AT(field) offsetof(FormatRecord, field)
#define LAST(field) (offsetof(FormatRecord, field) + sizeof(FormatRecord::field) - 1)

INSTANTIATE_TEST_SUITE_P(
    Fields, SelectorWrites,
    testing::Values(
        WriteCase{"PrepareMaxData", 1, true, AT(maxData), nullptr},
        WriteCase{"PrepareData", 13, true, AT(data), "data"},
        WriteCase{"ReadStartLastEntryOfBlueTable", 2, true, LAST(blueLUT), nullptr},
        WriteCase{"ReadStartImageSize32", 2, true, LAST(imageSize32), nullptr},
        WriteCase{"ReadStartImageSize32WithoutIt", 2, false, AT(imageSize32), "imageSize32"},
        WriteCase{"ReadStartTheRectWith32Bits", 2, true, AT(theRect), "theRect"},
        WriteCase{"ReadStartTheRect", 2, false, LAST(theRect), nullptr},
        WriteCase{"ReadStartTheRect32WithoutIt", 2, false, AT(theRect32), "theRect32"},
        WriteCase{"ReadStartHighByteOfTransparencyPlane", 2, true, LAST(transparencyPlane),
                  nullptr},
        WriteCase{"ReadStartBasicSuite", 2, true, AT(sSPBasic), "sSPBasic"},
        WriteCase{"ReadStartUnusedField", 2, true, AT(hostSig), kHostSig.c_str()},
        WriteCase{"ReadContinueData", 3, true, AT(data), nullptr},
        WriteCase{"ReadContinueRowBytes", 3, true, AT(rowBytes), "rowBytes"},
        WriteCase{"ReadFinishResources", 4, true, LAST(imageRsrcData), nullptr},
        WriteCase{"ReadFinishData", 4, true, AT(data), "data"},
        WriteCase{"OptionsStartData", 6, true, AT(data), nullptr},
        WriteCase{"OptionsStartRedTable", 6, true, AT(redLUT), "redLUT"},
        WriteCase{"EstimateStartMinimum", 10, true, AT(minDataBytes), nullptr},
        WriteCase{"WriteStartEstimate", 14, true, AT(maxDataBytes), "maxDataBytes"},
        WriteCase{"WriteStartTheRect32", 14, true, AT(theRect32), nullptr},
        WriteCase{"WriteStartImageMode", 14, true, AT(imageMode), "imageMode"},
        WriteCase{"WriteStartFile", 14, true, LAST(dataFork), "dataFork"},
        WriteCase{"QuietSelectorData", 15, true, AT(data), "data"},
        WriteCase{"FilterTakesUp32Bits", 17, true, AT(PluginUsing32BitCoordinates), nullptr},
        WriteCase{"FilterWithout32Bits", 17, false, AT(PluginUsing32BitCoordinates),
                  "PluginUsing32BitCoordinates"},
        WriteCase{"HostFlag", 2, true, AT(HostSupports32BitCoordinates),
                  "HostSupports32BitCoordinates"},
        WriteCase{"PastTheRect32", 2, true, AT(requestedFileProperty), kPastTheRect32.c_str()},
        WriteCase{"LastByte", 14, true, sizeof(FormatRecord) - 1, kLastByte.c_str()}),
    [](const testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

#undef AT
#undef LAST

TEST(SelectorWrites, EachChangedFieldIsNamedOnce) {
  std::vector<uint8_t> record(sizeof(FormatRecord), host::kUnsetByte);
  const host::RecordSnapshot before(record.data(), record.size());
  std::memset(record.data() + offsetof(FormatRecord, greenLUT), 0, 256);
  std::memset(record.data() + offsetof(FormatRecord, imageMode), 0, 2);
  std::memset(record.data() + offsetof(FormatRecord, lutCount), 0, 4);
  const std::string lutCount = "bytes " + std::to_string(offsetof(FormatRecord, lutCount)) +
                               " to " + std::to_string(offsetof(FormatRecord, lutCount) + 3);
  EXPECT_EQ(before.ForbiddenChanges(record.data(), formatSelectorWriteStart, true),
            (std::vector<std::string>{"imageMode", "greenLUT", lutCount}));
  EXPECT_EQ(before.ForbiddenChanges(record.data(), formatSelectorReadStart, true),
            std::vector<std::string>{lutCount});
}

}  // namespace
}  // namespace dorv::test
