#include "plugin/resources/plugin_resources.h"

#include <string_view>

#include "plugin/resources/resource_bytes.h"

namespace dorv::resources {

namespace {

// ---- The description -------------------------------------------------------

constexpr std::string_view kFormatName = "DorvStudio Format";
constexpr std::string_view kEntryPoint = "PluginMain";
constexpr std::string_view kVendorName = "ORVANTIC";
constexpr std::string_view kUniqueString = "ORVANTIC DorvStudio Format";
constexpr OSType kVendor = FourCC("8BIM");
constexpr OSType kClassCode = FourCC("dovF");  // in 'hstm' and in the dictionary
constexpr OSType kFileType = FourCC("DOV ");
constexpr std::string_view kExtension = "DOV ";

// Image modes accepted, most significant bit first: bitmap, greyscale,
// indexed colour, RGB colour; no CMYK, HSL, HSB, multichannel or others.
constexpr uint8_t kModeBits = 0xF0;
// Format flags, most significant bit first: unused, saves image resources,
// can read, can write, can write if read, can write transparency, can create
// thumbnail, unused.
constexpr uint8_t kFormatFlags = 0x7E;
constexpr int32_t kMaxChannelsBitmap = 1;
constexpr int32_t kMaxChannelsOther = 24;
constexpr int kChannelModes = 12;
constexpr int32_t kMax16BitSize = 32767;
constexpr int64_t kMax32BitSize = 0x7FFFFFFF;

struct ScriptProperty {
  std::string_view name;
  OSType key;
  OSType type;
  std::string_view description;
  int32_t flags;
};

constexpr std::string_view kSuiteDescription = "DorvFormat plug-ins";
constexpr OSType kSuiteCode = FourCC("sdK4");
constexpr std::string_view kClassName = "ORVANTIC DorvFormat";
constexpr std::string_view kClassDescription = "DorvStudio format file format module";
constexpr ScriptProperty kClassProperties[] = {
    {"<Inheritance>", FourCC("c@#^"), FourCC("Fmt "), "parent class format", 0x1000},
    {"foo", FourCC("fooB"), FourCC("bool"), "foobar", 0x1000},
    {"bar", FourCC("barF"), FourCC("bool"), "foobar", 0x1000},
};

// ---- Encoding --------------------------------------------------------------

struct Property {
  OSType key;
  std::vector<uint8_t> data;
};

std::vector<Property> Properties(ModuleArch arch) {
  std::vector<Property> list;
  auto add = [&list](const char(&key)[5], const ByteWriter& data) {
    list.push_back({FourCC(key), data.bytes()});
  };
  add("kind", ByteWriter().Code(FourCC("8BIF")));
  add("name", ByteWriter().PString(kFormatName).PadTo(24));
  add("vers", ByteWriter().Int32(0x00010000));
  add(arch == ModuleArch::Win64 ? "8664" : "wx86",
      ByteWriter().CString(kEntryPoint).PadToMultipleOf4());
  add("hstm", ByteWriter()
                  .Int32(0)
                  .Code(kClassCode)
                  .Code(FourCC("null"))
                  .Int16(kResourceId)
                  .CString(kUniqueString)
                  .PadTo(52));
  add("mode", ByteWriter().Byte(kModeBits).Byte(0).PadToMultipleOf4());
  add("ms32", ByteWriter().Int32(kMax32BitSize).Int32(kMax32BitSize));
  add("mxsz", ByteWriter().Int16(kMax16BitSize).Int16(kMax16BitSize));
  ByteWriter channels;
  channels.Int16(kMaxChannelsBitmap);
  for (int mode = 1; mode < kChannelModes; ++mode) channels.Int16(kMaxChannelsOther);
  add("mxch", channels);
  add("fmTC", ByteWriter().Code(kFileType).Code(kVendor));
  add("fftT", ByteWriter().Code(FourCC("8B1F")).Code(FourCC("    ")));
  add("WrEx", ByteWriter().Chars(kExtension));
  add("fftE", ByteWriter().Chars(kExtension));
  add("fmtf", ByteWriter().Byte(kFormatFlags).PadTo(4));
  add("fmip", ByteWriter().Int32(0));
  return list;
}

}  // namespace

std::vector<uint8_t> PropertyListResource(ModuleArch arch) {
  const std::vector<Property> properties = Properties(arch);
  ByteWriter out;
  out.Int16(1).Int32(0).Int32(static_cast<int64_t>(properties.size()));
  for (const Property& property : properties) {
    out.Code(kVendor).Code(property.key).Int32(0).Int32(static_cast<int64_t>(property.data.size()));
    // The data is padded to a multiple of four bytes of its own length.
    out.Bytes(property.data).PadTo(out.size() + (4 - property.data.size() % 4) % 4);
  }
  return out.bytes();
}

std::vector<uint8_t> DictionaryResource() {
  ByteWriter out;
  out.Int16(1);
  out.Byte(1).Byte(0).Int16(0).Int16(0);  // version 1.0, language, script
  out.Int16(1);                           // suites
  out.PString(kVendorName).PString(kSuiteDescription).Code(kSuiteCode);
  out.Int16(1).Int16(1);  // level, version
  out.Int16(0);           // events
  out.Int16(1);           // classes
  out.PString(kClassName).Code(kClassCode).PString(kClassDescription);
  out.Int16(static_cast<int32_t>(std::size(kClassProperties)));
  for (const ScriptProperty& property : kClassProperties)
    out.PString(property.name)
        .Code(property.key)
        .Code(property.type)
        .PString(property.description)
        .Int16(property.flags);
  out.Int16(0);  // elements
  out.Int16(0);  // comparison operators
  out.Int16(0);  // enumerations
  return out.bytes();
}

}  // namespace dorv::resources
