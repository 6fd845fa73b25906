// TDorvLayer: one pixel plane of a frame with its optional alpha plane and
// display attributes; the "Layer" element and its two plane records.
#pragma once

#include <cstdint>
#include <string>

#include "converter/dibsfc/dibsfc.h"

namespace dorv {

class TPieceList;
class TStream;
class TXmlElement;
struct TReadContext;
struct TSaveContext;

class TDorvLayer {
 public:
  TDIBSurface Surface;
  std::string Name;
  bool Visible = true;
  int32_t TransColor = -1;
  int32_t Alpha = 255;
  bool AlphaOn = false;

  // Reads the element's attributes, then the colour and alpha plane records
  // from the input, decoding them into Surface (of the size and depth of
  // the frame's composite) and its alpha plane. pixels, when given, is the
  // zero-filled memory Surface's rows are decoded into.
  void ReadXml(const TXmlElement& element, TStream& input, const TReadContext& ctx, const TDIBSurface& composite,
               uint8_t* pixels = nullptr);
  // Sets the element's attributes and appends the two plane records (made
  // from the context's rows, where it has them, as EncodePlaneBlob makes
  // them).
  void WriteXml(TXmlElement& element, TPieceList& dataOut, const TSaveContext& ctx) const;
};

}  // namespace dorv
