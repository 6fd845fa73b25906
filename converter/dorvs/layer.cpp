#include "converter/dorvs/layer.h"

#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/frame.h"
#include "converter/dorvs/framelist.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/plane_record.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/stream.h"
#include "converter/xml/xmltree.h"

namespace dorv {

void TDorvLayer::ReadXml(const TXmlElement& element, TStream& input, const THeaderInfo& header) {
  Visible = element.GetBoolAttr("Visible", true);
  TransColor = element.GetIntAttr("TransColor", -1);
  Alpha = element.GetIntAttr("Alpha", 255);
  AlphaOn = element.GetBoolAttr("AlphaOn", false);
  Name = element.GetAttr("Name", "");

  const TDIBSurface& composite = owner_->Surface;
  Surface.Allocate(composite.Width(), composite.Height(), composite.Depth());

  const TPlaneContext ctx{header, *owner_->Owner()};
  ReadColourRecord(ctx, input, Surface);
  if (header.Version >= 100) ReadAlphaRecord(ctx, input, Surface);

  Surface.Palette = composite.Palette;
}

void TDorvLayer::WriteXml(TXmlElement& element, TPieceList& dataOut, int32_t code,
                          const THeaderInfo& header) const {
  element.SetIntAttr("Left", 0);
  element.SetIntAttr("Top", 0);
  element.SetBoolAttr("Visible", Visible);
  element.SetIntAttr("TransColor", TransColor);
  element.SetIntAttr("Alpha", Alpha);
  element.SetBoolAttr("AlphaOn", AlphaOn);
  element.SetAttr("Name", Name);
  element.SetIntAttr("Lock", 0);
  EncodePlane(dataOut, header, false, &Surface, code);
  EncodePlane(dataOut, header, true, Surface.AlphaPlane(), code);
}

}  // namespace dorv
