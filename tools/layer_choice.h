// --layer and --hide-layer: which layers of each frame a picture is made of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dov_document.h"
#include "tools/dovtool_args.h"

namespace dorv::tools {

// Options of the commands that compose frames.
#define DOVTOOL_LAYER_OPTIONS {"layer", 0, "N|NAME"}, {"hide-layer", 0, "N|NAME"}

struct LayerChoice {
  std::vector<std::string> only;    // --layer: just these, shown or not in the document
  std::vector<std::string> hidden;  // --hide-layer: left out
  bool Any() const { return !only.empty() || !hidden.empty(); }
};

LayerChoice LayerChoiceFrom(const ParsedArgs& args);

// Whether a layer answers to a choice: its number from 0 (bottom first) or
// its whole name.
bool LayerMatches(const std::string& choice, size_t index, const std::string& name);

// The flags of a frame's layers for dov_decoder_compose_*: empty when
// nothing is chosen (the frame's own composite).
std::vector<uint8_t> ShownLayers(const LayerChoice& choice, const frames::FrameInfo& frame);

// Raises std::runtime_error naming a choice that no layer of any frame
// answers to.
void CheckLayerChoice(const LayerChoice& choice, const frames::Document& document);

// The frame's picture of the chosen layers: indices with their palette
// where it is a palette picture, else RGBA.
frames::Composite ChosenComposite(const frames::Document& document, uint32_t frame, const LayerChoice& choice);

}  // namespace dorv::tools
