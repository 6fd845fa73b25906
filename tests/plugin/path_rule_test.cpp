// Where the plug-in looks for the converter: the folder part of its own path.
#include <gtest/gtest.h>

#include <string>

#include "plugin/converter_binding.h"
#include "platform/win32.h"

namespace dorv::plugin {
namespace {

bool ShiftJisLead(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

struct FolderCase {
  const char* name;
  std::string path;
  char separator;
  bool shiftJis;
  std::string folder;
};

class FolderPart : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderPart, CutsAfterTheLastSeparatorCharacter) {
  const FolderCase& c = GetParam();
  const std::size_t length =
      FolderPartLength(c.path, c.separator, c.shiftJis ? &ShiftJisLead : nullptr);
  EXPECT_EQ(c.path.substr(0, length), c.folder);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderPart,
    testing::Values(
        FolderCase{"PlainFolder", "C:\\Plug-ins\\DorvFormat.8bi", '\\', true, "C:\\Plug-ins\\"},
        // ソ is 0x83 0x5C: its second byte is not a separator.
        FolderCase{"SoInFileName", "C:\\Plug-ins\\Dorv\x83\x5C.8bi", '\\', true, "C:\\Plug-ins\\"},
        FolderCase{"SoEndsFolder", "C:\\\x83\x5C\\DorvFormat.8bi", '\\', true, "C:\\\x83\x5C\\"},
        FolderCase{"SoOnlySeparatorByte", "C:\x83\x5C" "DorvFormat.8bi", '\\', true,
                   "C:\x83\x5C" "DorvFormat.8bi"},
        // 亜 is 0x88 0x9F: a trailing byte inside the lead-byte range right
        // before a real separator.
        FolderCase{"TrailInLeadRange", "C:\\\x88\x9F\\DorvFormat.8bi", '\\', true,
                   "C:\\\x88\x9F\\"},
        // Half-width katakana are single bytes.
        FolderCase{"HalfWidthKana", "C:\\\xB1\\DorvFormat.8bi", '\\', true, "C:\\\xB1\\"},
        FolderCase{"DanglingLeadByte", "C:\\a\\\x83", '\\', true, "C:\\a\\"},
        FolderCase{"NoSeparator", "DorvFormat.8bi", '\\', true, "DorvFormat.8bi"},
        FolderCase{"FirstByteNeverCounts", "\\DorvFormat.8bi", '\\', true, "\\DorvFormat.8bi"},
        FolderCase{"TrailingSeparator", "C:\\dir\\", '\\', true, "C:\\dir\\"},
        FolderCase{"Slash", "/opt/dorv/DorvFormat.8bi", '/', false, "/opt/dorv/"},
        // UTF-8 あ (E3 81 82) ends in a lead byte of Shift_JIS; without a
        // lead-byte rule the separator after it is found.
        FolderCase{"Utf8Folder", "/tmp/\xE3\x81\x82/DorvFormat.8bi", '/', false,
                   "/tmp/\xE3\x81\x82/"}),
    [](const testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

TEST(FolderPart, PathsOfThisPlatformCarryNoLeadByteRule) {
#ifdef _WIN32
  EXPECT_NE(PlatformLeadBytes(), nullptr);
#else
  EXPECT_EQ(PlatformLeadBytes(), nullptr);
  EXPECT_EQ(kPathSeparator, '/');
#endif
}

TEST(SiblingPath, MustFitWithItsTerminator) {
  const std::string name = "dorvformat.so";
  PathBuffer out{};
  // Folder and name fill 259 bytes: the terminator still fits.
  const std::string fits = "/" + std::string(258 - name.size() - 1, 'a') + "/x.8bi";
  ASSERT_EQ(FolderPartLength(fits, '/', nullptr) + name.size(), 259u);
  ASSERT_TRUE(SiblingPath(fits, name, '/', nullptr, out));
  EXPECT_EQ(std::string(out.data()), fits.substr(0, fits.rfind('/') + 1) + name);
  // One byte more does not.
  const std::string tooLong = "/" + std::string(258 - name.size(), 'a') + "/x.8bi";
  EXPECT_FALSE(SiblingPath(tooLong, name, '/', nullptr, out));
}

}  // namespace
}  // namespace dorv::plugin
