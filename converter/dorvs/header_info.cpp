#include "converter/dorvs/header_info.h"

#include "converter/xml/xmltree.h"

namespace dorv {
namespace {
void Put32(uint8_t* p, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}
int32_t Get32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

void StoreHeaderInfo(const THeaderInfo& h, std::span<uint8_t, kHeaderInfoSize> out) {
  uint8_t* p = out.data();
  Put32(p + 0, h.Version);
  Put32(p + 4, h.Width);
  Put32(p + 8, h.Height);
  Put32(p + 12, h.Bpp);
  Put32(p + 16, h.Count);
  p[20] = h.SyncPal;
  p[21] = h.Randomized;
  p[22] = h.CompType;
  p[23] = h.Reserved1;
  Put32(p + 24, h.BGColor);
  Put32(p + 28, h.BlockWidth);
  Put32(p + 32, h.BlockHeight);
  p[36] = h.NotFillBG;
  p[37] = h.CompLevel;
  p[38] = h.Reserved2[0];
  p[39] = h.Reserved2[1];
}

THeaderInfo LoadHeaderInfo(std::span<const uint8_t, kHeaderInfoSize> bytes) {
  const uint8_t* p = bytes.data();
  THeaderInfo h;
  h.Version = Get32(p + 0);
  h.Width = Get32(p + 4);
  h.Height = Get32(p + 8);
  h.Bpp = Get32(p + 12);
  h.Count = Get32(p + 16);
  h.SyncPal = p[20];
  h.Randomized = p[21];
  h.CompType = p[22];
  h.Reserved1 = p[23];
  h.BGColor = Get32(p + 24);
  h.BlockWidth = Get32(p + 28);
  h.BlockHeight = Get32(p + 32);
  h.NotFillBG = p[36];
  h.CompLevel = p[37];
  h.Reserved2[0] = p[38];
  h.Reserved2[1] = p[39];
  return h;
}

THeaderInfo HeaderInfoFromXml(const TXmlElement& root) {
  THeaderInfo h;
  h.Version = root.GetIntAttr("Version", 200);
  h.Width = root.GetIntAttr("Width", 100);
  h.Height = root.GetIntAttr("Height", 100);
  h.Bpp = root.GetIntAttr("Bpp", 8);
  h.Count = root.GetIntAttr("Count", 0);
  h.SyncPal = root.GetBoolAttr("SyncPal", false) ? 1 : 0;
  h.Randomized = root.GetBoolAttr("Randomized", false) ? 1 : 0;
  h.CompType = static_cast<uint8_t>(root.GetIntAttr("CompType", 0) & 0xFF);
  h.CompLevel = static_cast<uint8_t>(root.GetIntAttr("CompLevel", 0) & 0xFF);
  h.BGColor = root.GetIntAttr("BGColor", 0);
  h.BlockWidth = root.GetIntAttr("BlockWidth", 32);
  h.BlockHeight = root.GetIntAttr("BlockHeight", 32);
  h.NotFillBG = root.GetBoolAttr("NotFillBG", true) ? 1 : 0;
  return h;
}

}  // namespace dorv
