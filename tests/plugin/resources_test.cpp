// The bytes of the two resources the module carries, as built into the build
// tree for the resource script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sandbox.h"

namespace dorv::test {
namespace {

// A byte string written out literally; N includes the literal's terminator.
template <std::size_t N>
std::string B(const char (&bytes)[N]) {
  return std::string(bytes, N - 1);
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) out += "\n";
    out += digits[static_cast<uint8_t>(bytes[i]) >> 4];
    out += digits[static_cast<uint8_t>(bytes[i]) & 15];
    out += ' ';
  }
  return out;
}

std::string Built(const char* path) {
  const std::vector<uint8_t> bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(Resources, PropertyListMatchesByteForByte) {
  const std::string z4 = B("\0\0\0\0");
  // vendor '8BIM', key, ID 0, length
  auto head = [&](const std::string& key, const std::string& length) {
    return B("MIB8") + key + z4 + length;
  };
  std::string expected = B("\x01\x00") + z4 + B("\x0f\0\0\0");
  expected += head("dnik", B("\x04\0\0\0")) + "FIB8";
  expected += head("eman", B("\x18\0\0\0")) + B("\x11" "DorvStudio Format") + std::string(6, '\0');
  expected += head("srev", B("\x04\0\0\0")) + B("\0\0\x01\0");
  expected += head("68xw", B("\x0c\0\0\0")) + B("PluginMain\0\0");
  expected += head("mtsh", B("\x34\0\0\0")) + z4 + "Fvod" + "llun" + B("\x80\x3e") +
              B("ORVANTIC DorvStudio Format\0") + std::string(11, '\0');
  expected += head("edom", B("\x04\0\0\0")) + B("\xf0\0\0\0");
  expected += head("23sm", B("\x08\0\0\0")) + B("\xff\xff\xff\x7f\xff\xff\xff\x7f");
  expected += head("zsxm", B("\x04\0\0\0")) + B("\xff\x7f\xff\x7f");
  expected += head("hcxm", B("\x18\0\0\0")) + B("\x01\0");
  for (int i = 0; i < 11; ++i) expected += B("\x18\0");
  expected += head("CTmf", B("\x08\0\0\0")) + " VOD" + "MIB8";
  expected += head("Ttff", B("\x08\0\0\0")) + "F1B8" + "    ";
  expected += head("xErW", B("\x04\0\0\0")) + "DOV ";  // extensions in reading order
  expected += head("Etff", B("\x04\0\0\0")) + "DOV ";
  expected += head("ftmf", B("\x04\0\0\0")) + B("\x7e\0\0\0");
  expected += head("pimf", B("\x04\0\0\0")) + z4;

  const std::string built = Built(DORV_PIPL_BIN);
  EXPECT_EQ(Hex(built), Hex(expected));
}

TEST(Resources, DictionaryMatchesByteForByte) {
  std::string expected = B("\x01\x00");
  expected += B("\x01\x00") + B("\0\0") + B("\0\0") + B("\x01\0");  // 1.0, language, script, suites
  expected += B("\x08" "ORVANTIC") + B("\x13" "DorvFormat plug-ins") + "4Kds";
  expected += B("\x01\0") + B("\x01\0") + B("\0\0") + B("\x01\0");  // level, version, events, classes
  expected += B("\x13" "ORVANTIC DorvFormat") + "Fvod" +
              B("\x24" "DorvStudio format file format module") + B("\x03\0");
  expected += B("\x0d<Inheritance>") + "^#@c" + " tmF" + B("\x13parent class format") + B("\0\x10");
  expected += B("\x03" "foo") + "Boof" + "loob" + B("\x06" "foobar") + B("\0\x10");
  expected += B("\x03" "bar") + "Frab" + "loob" + B("\x06" "foobar") + B("\0\x10");
  expected += B("\0\0") + B("\0\0") + B("\0\0");  // elements, comparison operators, enumerations

  EXPECT_EQ(Hex(Built(DORV_AETE_BIN)), Hex(expected));
}

TEST(Resources, ClassCodeIsTheSameInBothResources) {
  const std::string list = Built(DORV_PIPL_BIN);
  const std::string dictionary = Built(DORV_AETE_BIN);
  const std::size_t hstm = list.find("mtsh");
  ASSERT_NE(hstm, std::string::npos);
  const std::string classCode = list.substr(hstm + 16, 4);
  EXPECT_EQ(classCode, "Fvod");
  EXPECT_NE(dictionary.find(B("\x13" "ORVANTIC DorvFormat") + classCode), std::string::npos);
}

}  // namespace
}  // namespace dorv::test
