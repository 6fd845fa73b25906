// Reading a whole document: frames, layers and the composites the host would
// receive for each frame.
#include <cstring>
#include <exception>
#include <new>

#include "converter/converts/convert_impl.h"
#include "converter/core/call_limits.h"
#include "converter/core/checked.h"
#include "converter/dorvs/framelist.h"
#include "libdov/document/document.h"
#include "libdov/document/layer_coding.h"
#include "converter/streams/stream.h"
#include "platform/shift_jis.h"

namespace dorv::frames {
namespace {

// The frame's composite brought to the host's block rows.
Composite ComposeFrame(TDorvFrame& frame, const TRunner& runner) {
  return BlockComposite(frame.Surface, frame.TransColor, runner);
}

}  // namespace

Composite BlockComposite(TDIBSurface& s, int32_t transparentIndex, const TRunner& runner) {
  Composite c;
  c.Width = s.Width();
  c.Height = s.Height();
  const int32_t bpp = BlockBpp(s);
  const uint64_t stride = (static_cast<uint64_t>(bpp) * static_cast<uint64_t>(c.Width) + 7) / 8;
  c.Pixels.resize(static_cast<size_t>(CheckedMul(stride, static_cast<uint64_t>(c.Height))));
  c.Bpp = ComposeBlockRows(s, c.Pixels.data(), static_cast<size_t>(stride), runner);
  if (c.Bpp == 8) {
    std::memcpy(c.Palette.data(), s.Palette.data(), c.Palette.size());
    c.TransparentIndex = transparentIndex;
  }
  return c;
}

[[noreturn]] void RethrowAsFramesError() {
  try {
    throw;
  } catch (const FramesError&) {
    throw;
  } catch (const ELimitExceeded& e) {
    throw FramesError(e.what(), FramesError::Kind::Limit);
  } catch (const std::bad_alloc&) {
    throw FramesError("out of memory", FramesError::Kind::OutOfMemory);
  } catch (const std::exception& e) {
    throw FramesError(e.what());
  }
}

Document::Document() = default;
Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

bool HasDocumentMagic(std::span<const uint8_t> bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "Dorv", 4) == 0;
}

Document ReadDocument(std::span<const uint8_t> bytes, const ReadOptions& options, const TRunner& runner) {
  Document doc;
  try {
    doc.list_ = std::make_unique<TDorvFrameList>(0);
    TDorvFrameList& list = *doc.list_;
    list.KeepLayers = true;
    TSpanStream stream(bytes.data(), bytes.size());
    try {
      list.LoadFromStream(stream, false, nullptr, runner);
    } catch (const ELimitExceeded&) {
      throw;  // a caller's limit is no damage: nothing of the file is kept
    } catch (const std::exception& e) {
      // As the converter does: the frames read so far are kept.
      doc.Messages = e.what();
    }
    const bool current = bytes.size() >= 5 && std::memcmp(bytes.data(), "DorvX", 5) == 0;
    const THeaderInfo& header = list.LoadedHeader;
    doc.Version = header.Version;
    doc.BGColor = list.BGColor;
    doc.NotFillBG = list.NotFillBG;
    // Older legacy files count their frames outside the header record.
    doc.DeclaredFrames = header.Count > 0 ? header.Count : list.Count();
    const std::string coding = LayerCoding(header, current);

    for (int i = 0; i < list.Count(); ++i) {
      TDorvFrame& frame = list.GetFrame(i);
      if (frame.Surface.IsEmpty()) break;  // failed before it had a size
      FrameInfo info;
      info.Name = platform::Utf8FromShiftJis(frame.Name);
      info.Width = frame.Surface.Width();
      info.Height = frame.Surface.Height();
      info.Depth = frame.Surface.Depth();
      info.Delay = frame.Delay;
      info.DelayMilliseconds = DelayToMilliseconds(frame.Delay);
      info.Disposal = frame.Disposal;
      info.TransparentIndex = frame.TransColor;
      info.Indexed = BlockBpp(frame.Surface) == 8;
      // A layer whose read failed is not in the frame's picture: it is not
      // one of its layers either.
      for (int l = 0; l < frame.ComposedLayers; ++l) {
        const TDorvLayer& layer = frame.Layer(l);
        LayerInfo li;
        li.Name = platform::Utf8FromShiftJis(layer.Name);
        li.Visible = layer.Visible;
        li.Opacity = layer.Alpha;
        li.Key = layer.TransColor;
        li.HasAlphaPlane = layer.Surface.AlphaPlane() != nullptr;
        li.AlphaOn = layer.AlphaOn;
        li.Coding = coding;
        li.Width = layer.Surface.Width();
        li.Height = layer.Surface.Height();
        info.Layers.push_back(std::move(li));
      }
      doc.Frames.push_back(std::move(info));
      static_assert(sizeof(frame.Surface.Palette) == 1024);
      std::memcpy(doc.palettes_.emplace_back().data(), frame.Surface.Palette.data(), 1024);
    }
    if (doc.Frames.empty())
      throw FramesError(doc.Messages.empty() ? "the document holds no frame" : doc.Messages);
    // Every frame is decoded before any composite is brought to block rows:
    // later frames may copy blocks from earlier ones.
    if (options.Composites)
      for (size_t i = 0; i < doc.Frames.size(); ++i)
        doc.Frames[i].Picture = ComposeFrame(list.GetFrame(static_cast<int>(i)), runner);
    if (!options.Layers) list.ReleaseLayers();
  } catch (...) {
    RethrowAsFramesError();
  }
  return doc;
}

Composite Document::MakeComposite(size_t frame, const TRunner& runner) const {
  if (list_ == nullptr || frame >= Frames.size()) throw FramesError("no such frame", FramesError::Kind::Argument);
  try {
    return ComposeFrame(list_->GetFrame(static_cast<int>(frame)), runner);
  } catch (...) {
    RethrowAsFramesError();
  }
}

}  // namespace dorv::frames
