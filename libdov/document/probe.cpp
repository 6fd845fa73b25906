// Telling a document's size without decoding its planes: a current file's
// header names the first frame's size and depth. Legacy files keep them in
// the frame records, so their first frame is read.
#include <cstring>
#include <exception>
#include <optional>

#include "converter/core/call_limits.h"
#include "converter/core/errors.h"
#include "converter/core/format_names.h"
#include "converter/dorvs/framelist.h"
#include "converter/dorvs/header_info.h"
#include "converter/streams/stream.h"
#include "converter/xml/xmltree.h"
#include "libdov/document/document.h"

namespace dorv::frames {
namespace {

bool StoredDepth(int32_t bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
}

// The header tree of a current file, or nothing when the bytes are not one
// that this reads without its frames.
std::optional<Probe> FromHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kMagicSize || std::memcmp(bytes.data(), kMagic, kMagicPrefixSize) != 0) return std::nullopt;
  if (bytes[kMagicPrefixSize] < '0' || bytes[kMagicPrefixSize] > '2') return std::nullopt;
  TSpanStream stream(bytes.data(), bytes.size());
  stream.SetPosition(kMagicSize);
  TXmlElement root;
  ReadHeaderTree(stream, root);
  const THeaderInfo info = HeaderInfoFromXml(root);
  CheckFrameCount(info.Count);
  const TXmlElement* frame = root.Child(0);
  if (info.Count <= 0 || frame == nullptr || !SameName(frame->Name, xml::kFrame)) return std::nullopt;
  const TXmlElement* layers = frame->FindChild(xml::kLayers);
  if (layers == nullptr) return std::nullopt;
  // The reader's own defaults for attributes left out.
  const int32_t width = layers->GetIntAttr(xml::kWidth, defaults::kWidth);
  const int32_t height = layers->GetIntAttr(xml::kHeight, defaults::kHeight);
  const int32_t bpp = layers->GetIntAttr(xml::kBpp, defaults::kBpp);
  if (width <= 0 || height <= 0 || !StoredDepth(bpp)) return std::nullopt;
  Probe p;
  p.Width = width;
  p.Height = height;
  p.Depth = bpp;
  p.DeclaredFrames = info.Count;
  p.Version = info.Version;
  return p;
}

// Reads the first frame, as a legacy file or a header that does not say
// plainly needs.
Probe FromFirstFrame(std::span<const uint8_t> bytes, const TRunner& runner) {
  TDorvFrameList list(0);
  TSpanStream stream(bytes.data(), bytes.size());
  std::string failure;
  try {
    list.LoadFromStream(stream, true, nullptr, runner);
  } catch (const ELimitExceeded&) {
    throw;
  } catch (const std::exception& e) {
    failure = e.what();  // the frame may still have been read
  }
  if (list.Count() == 0 || list.GetFrame(0).Surface.IsEmpty())
    throw FramesError(failure.empty() ? "the document holds no frame" : failure);
  const TDorvFrame& frame = list.GetFrame(0);
  Probe p;
  p.Width = frame.Surface.Width();
  p.Height = frame.Surface.Height();
  p.Depth = frame.Surface.Depth();
  p.DeclaredFrames = list.LoadedHeader.Count > 0 ? list.LoadedHeader.Count : list.Count();
  p.Version = list.LoadedHeader.Version;
  p.Decoded = true;
  return p;
}

}  // namespace

Probe ProbeDocument(std::span<const uint8_t> bytes, const TRunner& runner) {
  try {
    std::optional<Probe> p;
    try {
      p = FromHeader(bytes);
    } catch (const ELimitExceeded&) {
      throw;
    } catch (const std::exception&) {
      // A header this cannot read plainly is read as a load reads it, which
      // gives the load's own verdict.
    }
    return p ? *p : FromFirstFrame(bytes, runner);
  } catch (...) {
    RethrowAsFramesError();
  }
}

}  // namespace dorv::frames
