#include "converter/dorvs/frame.h"

#include "converter/core/errors.h"
#include "converter/core/format_names.h"
#include "converter/core/messages.h"
#include "converter/dorvs/compose.h"
#include "converter/dorvs/frame_budget.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/palette_text.h"
#include "converter/dorvs/read_context.h"
#include "converter/dorvs/save_context.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/stream.h"
#include "converter/xml/xmltree.h"

namespace dorv {

TDorvLayer& TDorvFrame::Layer(int index) const {
  if (index < 0 || index >= LayerCount()) throw EListError(FormatMessage(msg::kListIndex, index));
  return *layers_[static_cast<size_t>(index)];
}

TDorvLayer& TDorvFrame::AddLayer() {
  layers_.push_back(std::make_unique<TDorvLayer>());
  return *layers_.back();
}

void TDorvFrame::ReadXml(const TXmlElement& element, TStream& input, const TReadContext& ctx) {
  const THeaderInfo& header = ctx.Header;
  Name = element.GetAttr(xml::kName, "");
  TransColor = element.GetIntAttr(xml::kTransColor, defaults::kTransColor);
  Delay = element.GetIntAttr(xml::kDelay, 0);
  Disposal = static_cast<uint8_t>(element.GetIntAttr(xml::kDisposal, 0) & 0xFF);

  const TXmlElement* layers = element.FindChild(xml::kLayers);
  if (layers == nullptr) throw EFormatError(msg::kNoLayers);
  const int32_t count = layers->GetIntAttr(xml::kCount, 0);
  const int32_t width = layers->GetIntAttr(xml::kWidth, defaults::kWidth);
  const int32_t height = layers->GetIntAttr(xml::kHeight, defaults::kHeight);
  const int32_t bpp = layers->GetIntAttr(xml::kBpp, defaults::kBpp);
  const int first = layers->IndexOfChild(xml::kLayer);
  // A large composite is allocated only when the file still holds the
  // records of its first layer; the layers after it are checked one by one.
  const bool layersFollow = count > 0 && first >= 0;
  CheckFrameFits(header, width, height, bpp, layersFollow ? 1 : 0, input.Remaining());
  if (!layersFollow && ctx.BackgroundOnly != nullptr) ctx.BackgroundOnly->Charge(width, height);
  Surface.Allocate(width, height, bpp);

  if (bpp <= 8) {
    const std::string text = layers->ChildText(xml::kPalette, "");
    const int entries = 1 << (bpp < 0 ? 0 : bpp);
    if (text.size() < static_cast<size_t>(entries) * 6) throw EFormatError(msg::kNoColorTable);
    PaletteFromText(text, entries, Surface.Palette);
    Surface.CommitPalette();
  }

  // The background is filled in just before the first visible layer is
  // drawn, and not at all when that layer replaces every pixel; a frame
  // whose layers end early or show nothing still gets it.
  struct Background {
    TDorvFrame& frame;
    int32_t colour;
    bool due = true;
    void Fill() {
      if (due) FillBackground(frame.Surface, colour);
      due = false;
    }
    ~Background() {
      try {
        Fill();  // when a layer failed to load
      } catch (...) {
      }
    }
  } background{*this, ctx.BGColor};

  bool bottom = true;
  for (int32_t i = 0; i < count; ++i) {
    const TXmlElement* child = first < 0 ? nullptr : layers->Child(first + i);
    if (child == nullptr || !SameName(child->Name, xml::kLayer)) throw EFormatError(msg::kFileCorrupt);
    TDorvLayer& layer = AddLayer();
    CheckLayerFits(header, width, height, bpp, input.Remaining());
    uint8_t* pixels = nullptr;
    if (i == 0 && ctx.Rows != nullptr && ctx.Rows->LayerPixels)
      pixels = ctx.Rows->LayerPixels(Surface.Width(), Surface.Height(), Surface.Depth());
    layer.ReadXml(*child, input, ctx, Surface, pixels);
    if (background.due && layer.Visible) {
      if (ReplacesComposite(Surface, layer, i, bottom, ctx.NotFillBG)) background.due = false;
      else background.Fill();
    }
    ComposeLayer(Surface, layer, i, bottom, ctx.NotFillBG);
    ++ComposedLayers;
  }
  background.Fill();
}

void TDorvFrame::WriteXml(TXmlElement& element, TPieceList& dataOut, const TSaveContext& ctx) const {
  element.SetAttr(xml::kName, Name);
  element.SetIntAttr(xml::kTransColor, TransColor);
  element.SetIntAttr(xml::kDelay, Delay);
  element.SetIntAttr(xml::kDisposal, Disposal);

  TXmlElement* layers = element.AddChild(xml::kLayers);
  const int32_t depth = Surface.Depth();
  layers->SetIntAttr(xml::kCount, 1);
  layers->SetIntAttr(xml::kWidth, Surface.Width());
  layers->SetIntAttr(xml::kHeight, Surface.Height());
  layers->SetIntAttr(xml::kBpp, depth);
  if (depth <= 8) layers->AddTextChild(xml::kPalette, PaletteToText(Surface.Palette, 1 << depth));

  // The single layer written is the composite itself. It shares the
  // composite's stores (nothing is written to them), which is the same as
  // an independent copy for everything the encoder reads.
  TDorvLayer layer;
  layer.Surface.Assign(&Surface);
  layer.Surface.Palette = Surface.Palette;
  if (const TDIBSurface* alpha = Surface.AlphaPlane()) {
    layer.Surface.EnsureAlpha();
    layer.Surface.AlphaPlane()->Assign(alpha);
    layer.AlphaOn = true;
  }
  layer.Name = defaults::kLayerName;
  layer.WriteXml(*layers->AddChild(xml::kLayer), dataOut, ctx);
}

}  // namespace dorv
