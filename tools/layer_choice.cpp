#include "tools/layer_choice.h"

#include <stdexcept>

namespace dorv::tools {
namespace {

bool AnyMatches(const std::vector<std::string>& choices, size_t index, const std::string& name) {
  for (const std::string& c : choices)
    if (LayerMatches(c, index, name)) return true;
  return false;
}

}  // namespace

LayerChoice LayerChoiceFrom(const ParsedArgs& args) {
  LayerChoice choice;
  if (auto it = args.repeated.find("layer"); it != args.repeated.end()) choice.only = it->second;
  if (auto it = args.repeated.find("hide-layer"); it != args.repeated.end()) choice.hidden = it->second;
  for (const auto* list : {&choice.only, &choice.hidden})
    for (const std::string& c : *list)
      if (c.empty()) throw UsageError("a layer is named by its number or its name, not by nothing");
  return choice;
}

bool LayerMatches(const std::string& choice, size_t index, const std::string& name) {
  if (choice == name) return true;
  if (choice.find_first_not_of("0123456789") != std::string::npos || choice.size() > 9) return false;
  return std::stoul(choice) == index;
}

std::vector<uint8_t> ShownLayers(const LayerChoice& choice, const frames::FrameInfo& frame) {
  if (!choice.Any()) return {};
  std::vector<uint8_t> shown;
  for (size_t l = 0; l < frame.Layers.size(); ++l) {
    const std::string& name = frame.Layers[l].Name;
    const bool in = choice.only.empty() ? frame.Layers[l].Visible : AnyMatches(choice.only, l, name);
    shown.push_back(in && !AnyMatches(choice.hidden, l, name) ? 1 : 0);
  }
  return shown;
}

void CheckLayerChoice(const LayerChoice& choice, const frames::Document& document) {
  for (const auto* list : {&choice.only, &choice.hidden}) {
    for (const std::string& c : *list) {
      bool found = false;
      for (const frames::FrameInfo& f : document.Frames)
        for (size_t l = 0; l < f.Layers.size() && !found; ++l) found = LayerMatches(c, l, f.Layers[l].Name);
      if (!found) throw std::runtime_error("no layer '" + c + "' in any frame");
    }
  }
}

frames::Composite ChosenComposite(const frames::Document& document, uint32_t frame, const LayerChoice& choice) {
  if (!choice.Any()) return frames::CompositeOf(document.decoder.get(), frame);
  return frames::ComposeChosen(document.decoder.get(), frame, ShownLayers(choice, document.Frames.at(frame)));
}

}  // namespace dorv::tools
