#include "converter/dorvs/layer.h"

#include "converter/core/format_names.h"
#include "converter/core/runner.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/plane_coding.h"
#include "converter/dorvs/plane_record.h"
#include "converter/dorvs/read_context.h"
#include "converter/dorvs/save_context.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/stream.h"
#include "converter/xml/xmltree.h"

namespace dorv {

void TDorvLayer::ReadXml(const TXmlElement& element, TStream& input, const TReadContext& ctx,
                         const TDIBSurface& composite, uint8_t* pixels) {
  Visible = element.GetBoolAttr(xml::kVisible, defaults::kLayerVisible);
  TransColor = element.GetIntAttr(xml::kTransColor, defaults::kTransColor);
  Alpha = element.GetIntAttr(xml::kAlpha, defaults::kLayerAlpha);
  AlphaOn = element.GetBoolAttr(xml::kAlphaOn, false);
  Name = element.GetAttr(xml::kName, "");

  if (pixels != nullptr) Surface.UsePixels(composite.Width(), composite.Height(), composite.Depth(), pixels);
  else Surface.Allocate(composite.Width(), composite.Height(), composite.Depth());

  ReadLayerRecords(ctx, input, Surface, ctx.Header.Version >= kVersionAlphaRecords);

  Surface.Palette = composite.Palette;
}

void TDorvLayer::WriteXml(TXmlElement& element, TPieceList& dataOut, const TSaveContext& ctx) const {
  element.SetIntAttr(xml::kLeft, 0);
  element.SetIntAttr(xml::kTop, 0);
  element.SetBoolAttr(xml::kVisible, Visible);
  element.SetIntAttr(xml::kTransColor, TransColor);
  element.SetIntAttr(xml::kAlpha, Alpha);
  element.SetBoolAttr(xml::kAlphaOn, AlphaOn);
  element.SetAttr(xml::kName, Name);
  element.SetIntAttr(xml::kLock, 0);
  // A large alpha plane is coded beside the colour plane; both only read
  // their surfaces. A failure of the colour plane is the one reported, as
  // when they are coded one after the other.
  const TDIBSurface* alpha = Surface.AlphaPlane();
  TPlaneBlob colourBlob, alphaBlob;
  ctx.Runner.Beside(
      alpha != nullptr && ctx.Runner.Worth(alpha->SizeBytes()),
      [&] { colourBlob = EncodePlaneBlob(ctx, false, &Surface); },
      [&] { alphaBlob = EncodePlaneBlob(ctx, true, alpha); });
  AppendPlaneRecord(dataOut, std::move(colourBlob));
  AppendPlaneRecord(dataOut, std::move(alphaBlob));
}

}  // namespace dorv
