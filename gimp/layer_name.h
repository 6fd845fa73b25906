// Names of the layers that stand for frames, in the form GIMP's animation
// playback and its animation exporters read: "Frame 1 (100ms) (combine)".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dorv::gimp {

// How a frame is shown after the one before it.
enum class FrameCombine { Unstated, Combine, Replace };

// "Frame N (Dms)" for the frame at zero-based index, followed by
// " (combine)" or " (replace)" when stated.
std::string FrameLayerName(int index, int32_t delayMs, FrameCombine combine);

// The delay a layer name states as "(Dms)" (the last such group; spaces
// inside the parentheses are allowed, as GIMP allows them), if any.
std::optional<int32_t> DelayFromLayerName(std::string_view name);

// "(combine)" or "(replace)" in a layer name (the last one wins).
FrameCombine CombineFromLayerName(std::string_view name);

}  // namespace dorv::gimp
