#include "gimp/read_document.h"

#include <limits>
#include <new>
#include <string>

namespace dorv::gimp {

void ThrowUnlessOk(dov_error error, const dov_decoder& decoder) {
  if (error == DOV_OK) return;
  const std::string message = dov_decoder_error_message(&decoder);
  throw DocumentError(message.empty() ? dov_error_string(error) : message);
}

DecoderHandle ReadDocument(std::span<const uint8_t> bytes) {
  DecoderHandle decoder(dov_decoder_create());
  if (!decoder) throw std::bad_alloc();
  // The plug-in has always opened whatever the converter's caps allow; the
  // library's stricter defaults would refuse documents it used to open.
  dov_limits limits;
  limits.max_frame_pixels = std::numeric_limits<uint64_t>::max();
  limits.max_memory = std::numeric_limits<uint64_t>::max();
  limits.max_frames = std::numeric_limits<uint32_t>::max();
  ThrowUnlessOk(dov_decoder_set_limits(decoder.get(), &limits), *decoder);
  ThrowUnlessOk(dov_decoder_read_memory(decoder.get(), bytes.data(), bytes.size()), *decoder);
  return decoder;
}

dov_info DocumentInfo(const dov_decoder& decoder) {
  dov_info info{};
  ThrowUnlessOk(dov_decoder_get_info(&decoder, &info), decoder);
  return info;
}

dov_frame_info FrameInfo(const dov_decoder& decoder, uint32_t frame) {
  dov_frame_info info{};
  ThrowUnlessOk(dov_decoder_get_frame_info(&decoder, frame, &info), decoder);
  return info;
}

}  // namespace dorv::gimp
