// Frames as QImages, and QImages as one-frame documents.
#pragma once

#include <QIODevice>
#include <QImage>

#include "dov/dov.h"

namespace dovqt {

// A palette frame as Format_Indexed8 with its 256 colours (alpha 0 at the
// transparent index), any other as Format_ARGB32. Null when it fails.
QImage ReadFrame(dov_decoder* decoder, uint32_t frame);

struct Compression {
  dov_compression kind = DOV_COMPRESSION_ZLIB;
  int quality = 0;  // 0: the default
};
// Quality 0 to 100 asks for lossy coding; otherwise a compression ratio of
// 0 stores the planes as they are, and anything else (or none) uses zlib.
Compression ChooseCompression(int quality, int compressionRatio);

// Writes the picture as a one-frame document of the default delay.
bool WriteImage(const QImage& image, Compression compression, QIODevice* device);

}  // namespace dovqt
