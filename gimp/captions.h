// Captions of the save-options form in GTK's terms.
#pragma once

#include <string>

namespace dorv::gimp {

// A caption whose access key is marked with '&' ("&&" a literal ampersand)
// as GTK marks mnemonics: '_' before the key, literal underscores doubled.
std::string MnemonicCaption(const std::string& caption);

// The caption of the choice that saves only the visible composite.
inline constexpr const char* kCompositeOnlyCaption = "Save only the visible composite as one frame";

}  // namespace dorv::gimp
