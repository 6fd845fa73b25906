#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "converter/converts/convert_impl.h"
#include "converter/core/checked.h"
#include "converter/core/format_names.h"
#include "converter/core/little_endian.h"
#include "converter/core/messages.h"
#include "converter/core/runner.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dsp/kernels.h"
#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "platform/message_box.h"

namespace dorv {

int32_t BlockBpp(const TDIBSurface& s) {
  return (s.AlphaPlane() == nullptr && (s.Depth() == 1 || s.Depth() == 4 || s.Depth() == 8)) ? 8 : 32;
}

int32_t ComposeBlockRows(TDIBSurface& s, uint8_t* block, size_t stride, const TRunner& runner) {
  const size_t w = static_cast<size_t>(s.Width());
  const int32_t h = s.Height();
  const uint64_t bytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(h);
  const TDIBSurface* alpha = s.AlphaPlane();
  const dsp::TKernels& run = dsp::Kernels();
  // Rows converted on their way to the block are written in two bands at
  // once on large pictures; the composite is only read from here on.
  const auto eachRow = [&](auto&& rowWork) {
    runner.Bands(h, bytes, [&](int, int32_t first, int32_t last) {
      for (int32_t y = first; y < last; ++y) rowWork(y, block + stride * static_cast<size_t>(y));
    });
  };
  // 24- and 32-bit composites go to the block in one pass per row; every
  // other depth through the depth conversion. Both give the same bytes.
  if (s.Depth() == 24 && alpha == nullptr) {
    eachRow([&](int32_t y, uint8_t* out) { run.BgrToBgra(s.RowReadOnly(y), out, w); });
    return 32;
  }
  if (s.Depth() == 24 || (s.Depth() == 32 && alpha != nullptr)) {
    const bool bgr = s.Depth() == 24;
    eachRow([&](int32_t y, uint8_t* out) {
      if (bgr) run.BgrAlphaToBgra(s.RowReadOnly(y), alpha->RowReadOnly(y), out, w);
      else run.BgrxAlphaToBgra(s.RowReadOnly(y), alpha->RowReadOnly(y), out, w);
    });
    return 32;
  }
  if (alpha != nullptr) {
    s.ConvertDepth(32, 0);
    const TDIBSurface& converted = s;
    eachRow([&](int32_t y, uint8_t* out) {
      std::memcpy(out, converted.RowReadOnly(y), stride);
      run.CopyAlphaToFourthBytes(converted.AlphaPlane()->RowReadOnly(y), out, w);
    });
    return 32;
  }
  const int32_t depth = s.Depth();
  if (depth == 1) s.SetBitCount(8);
  else if (depth == 4) s.ConvertDepth(8, 256);
  else if (depth == 15 || depth == 16) s.ConvertDepth(32, 0);
  // Plain copies are bound by memory, not by work: one band.
  const bool opaqueFourth = depth == 15 || depth == 16;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = block + stride * static_cast<size_t>(y);
    std::memcpy(out, s.RowReadOnly(y), stride);
    if (opaqueFourth) run.SetFourthBytes(out, 255, w);
  }
  return s.BitCount() == 8 ? 8 : 32;
}

static void ShowLoadFailure(const char* message) {
  platform::ShowMessage(message, msg::kFormatName, platform::MessageKind::Error);
}

bool ConvertReadImpl(HANDLE file, uint8_t* readInfo, HGLOBAL* block, uint8_t* palette,
                     int32_t* transparentIndex) {
  THandleStream stream(file);
  return ConvertReadFromStream(stream, readInfo, block, palette, transparentIndex, ShowLoadFailure);
}

namespace {

// The host's pixel block, locked while the document may decode into it.
// A block it replaces is freed only when this goes, after the document that
// may still point into it.
class TLockedBlock {
 public:
  explicit TLockedBlock(HGLOBAL* block) : block_(block) {}
  TLockedBlock(const TLockedBlock&) = delete;
  TLockedBlock& operator=(const TLockedBlock&) = delete;
  ~TLockedBlock() {
    Unlock();
    if (replaced_ != nullptr) {
      GlobalUnlock(replaced_);
      GlobalFree(replaced_);
    }
  }

  uint8_t* Pixels() const { return pixels_; }

  // Resizes the block to bytes and locks it; with zeroed every byte is 0.
  // Returns null, leaving the block as it was, when that cannot be done.
  uint8_t* Resize(size_t bytes, bool zeroed) {
    Unlock();
    const size_t before = GlobalSize(*block_);
    HGLOBAL resized = GlobalReAlloc(*block_, static_cast<SIZE_T>(bytes), GMEM_MOVEABLE | (zeroed ? GMEM_ZEROINIT : 0));
    if (resized == nullptr) return nullptr;
    *block_ = resized;
    if (!Lock()) return nullptr;
    if (zeroed) std::memset(pixels_, 0, std::min(before, bytes));  // what growth did not zero
    return pixels_;
  }
  // Puts a new block of bytes in the old one's place and locks it; the old
  // one stays locked, where it is, until this goes.
  uint8_t* Replace(size_t bytes) {
    if (pixels_ == nullptr) return nullptr;
    HGLOBAL fresh = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bytes));
    if (fresh == nullptr) return nullptr;
    replaced_ = *block_;
    *block_ = fresh;
    return Lock() ? pixels_ : nullptr;
  }

 private:
  bool Lock() {
    pixels_ = static_cast<uint8_t*>(GlobalLock(*block_));
    return pixels_ != nullptr;
  }
  void Unlock() {
    if (pixels_ != nullptr) GlobalUnlock(*block_);
    pixels_ = nullptr;
  }

  HGLOBAL* block_;
  HGLOBAL replaced_ = nullptr;
  uint8_t* pixels_ = nullptr;
};

// Frames whose rows are the block's rows as they are: 8-bit without row
// padding and 32-bit.
bool RowsAreBlockRows(int32_t width, int32_t depth) { return depth == 32 || (depth == 8 && width % 4 == 0); }

}  // namespace

bool ConvertReadFromStream(TStream& stream, uint8_t* readInfo, HGLOBAL* block, uint8_t* palette,
                           int32_t* transparentIndex, TLoadFailureReport report) {
  *transparentIndex = -1;
  TLockedBlock host(block);  // outlives the document, whose first layer may live in it
  TDorvFrameList document(0);
  // A bottom layer that will most likely be the picture as it is goes
  // straight into the host's block.
  uint64_t lentBytes = 0;
  TCallerRows hostBlock;
  hostBlock.LayerPixels = [&](int32_t width, int32_t height, int32_t depth) -> uint8_t* {
    if (lentBytes != 0 || !RowsAreBlockRows(width, depth)) return nullptr;
    lentBytes = CheckedMul(static_cast<uint64_t>(width) * static_cast<uint64_t>(depth / 8),
                           static_cast<uint64_t>(height));
    return host.Resize(static_cast<size_t>(lentBytes), true);
  };
  const TRunner runner;
  try {
    document.LoadFromStream(stream, true, &hostBlock, runner);
  } catch (const std::bad_alloc&) {
    report(msg::kOutOfMemory);  // the system's own text for it, not the library's
  } catch (const std::exception& e) {
    report(e.what());
  }
  if (document.Count() == 0) return false;
  TDorvFrame& frame = document.GetFrame(0);
  TDIBSurface& s = frame.Surface;
  if (s.IsEmpty()) return false;

  // The read info describes the block returned, also when a failed load left
  // layers in frame 0 whose size or depth differ from the composite.
  const int32_t bpp = BlockBpp(s);
  // Reserved bytes of the caller's record are left as they were.
  THeaderInfo info = LoadHeaderInfo(std::span<const uint8_t, record::kSize>(readInfo + 4, record::kSize));
  document.GetHeaderInfo(info, kCompNone, defaults::kQuality);
  info.Width = s.Width();
  info.Height = s.Height();
  info.Bpp = bpp;

  const size_t stride = static_cast<size_t>((static_cast<uint64_t>(bpp) * static_cast<uint64_t>(s.Width()) + 7) / 8);
  const uint64_t bytes = CheckedMul(stride, static_cast<uint64_t>(s.Height()));
  int32_t produced = 0;
  const bool inBlock = host.Pixels() != nullptr && s.TopRowReadOnly() == host.Pixels();
  if (inBlock && s.AlphaPlane() == nullptr && RowsAreBlockRows(s.Width(), s.Depth()) && bytes == lentBytes) {
    produced = bpp;  // the composite is the block's rows already
  } else {
    // A composite that lives in the block is converted into a new one. The
    // layer that may live in the old block is not looked at again.
    // A picture that cannot be handed over fails without a message; only
    // load errors show one. (A 32-bit process may not have room for it twice.)
    uint8_t* pixels = inBlock ? host.Replace(static_cast<size_t>(bytes)) : host.Resize(static_cast<size_t>(bytes), false);
    if (pixels == nullptr) return false;
    produced = ComposeBlockRows(s, pixels, stride, runner);
  }
  info.Bpp = produced;

  le::StoreInt32(readInfo, 40);
  StoreHeaderInfo(info, std::span<uint8_t, record::kSize>(readInfo + 4, record::kSize));
  if (produced == 8) {
    std::memcpy(palette, s.Palette.data(), sizeof(TPalette));
    *transparentIndex = frame.TransColor;
  }
  return true;
}

}  // namespace dorv
