#include "tools/dovtool_dov.h"

#include <memory>

#include "tools/input_file.h"
#include "tools/output_file.h"

namespace dorv::tools {

std::string UnreadableReason(bool hasMagic, const std::string& message) {
  if (hasMagic) return message.empty() ? "no picture in the file" : message;
  bool formatMessage = false;  // the format's own messages are not ASCII
  for (unsigned char c : message) formatMessage |= c >= 0x80;
  return formatMessage ? "not a DorvStudio document (" + message + ")" : "not a DorvStudio document";
}

frames::Document ReadWholeDocument(const std::vector<uint8_t>& file, const frames::ReadOptions& options) {
  try {
    return frames::ReadDocument(file, options);
  } catch (const frames::FramesError& e) {
    throw std::runtime_error(UnreadableReason(frames::HasDocumentMagic(file), e.what()));
  }
}

DovPicture FirstFrame(const frames::Document& doc) {
  frames::Composite c = frames::CompositeOf(doc.decoder.get(), 0);
  DovPicture p;
  p.version = doc.Version;
  p.width = c.Width;
  p.height = c.Height;
  p.bpp = c.Bpp;
  p.frames = static_cast<int32_t>(doc.Frames.size());
  p.bgColor = doc.BGColor;
  p.notFillBG = doc.NotFillBG;
  p.transparent = c.Bpp == 8 ? c.TransparentIndex : -1;
  p.pixels = std::move(c.Pixels);
  p.palette = c.Palette;
  p.messages = doc.Messages;
  return p;
}

DovPicture ReadDov(const std::string& path) {
  frames::ReadOptions options;
  options.Composites = false;  // the first frame's is made alone
  return FirstFrame(ReadWholeDocument(ReadInputBytes(path), options));
}

void WriteDov(OutputFile& output, const dov_picture& picture, dov_compression compression, int32_t quality) {
  struct EncoderFree {
    void operator()(dov_encoder* e) const { dov_encoder_destroy(e); }
  };
  std::unique_ptr<dov_encoder, EncoderFree> e(dov_encoder_create());
  if (!e) throw std::runtime_error("out of memory");
  if (dov_encoder_set_compression(e.get(), compression, quality) != DOV_OK ||
      dov_encoder_add_frame(e.get(), &picture, 100) != DOV_OK)
    throw std::runtime_error(dov_encoder_error_message(e.get()));
  output.Write(frames::WriteFrames(e.get()));
  output.Commit();
}

}  // namespace dorv::tools
