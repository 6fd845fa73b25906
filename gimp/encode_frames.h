// Documents written through libdov's encoder from frame pictures.
#pragma once

#include <cstdint>
#include <span>

#include "dov/dov.h"
#include "gimp/dov_handles.h"
#include "gimp/frame_picture.h"

namespace dorv::gimp {

// The bytes of a written document, in memory libdov handed over.
struct EncodedDocument {
  DovBytes data;
  size_t size = 0;
  std::span<const uint8_t> Bytes() const { return {data.get(), size}; }
};

// What a document of these frames is stored with: lossy coding cannot keep
// palette or grey values, so a document with such a frame is stored with
// zlib instead (the encoder does so itself; callers warn of it).
dov_compression StoredCompression(std::span<const FramePicture> frames, dov_compression asked);

// One document with a frame of one layer per picture, in order. Raises
// std::runtime_error with the encoder's message.
EncodedDocument EncodeFrames(std::span<const FramePicture> frames, dov_compression compression, int quality);

}  // namespace dorv::gimp
