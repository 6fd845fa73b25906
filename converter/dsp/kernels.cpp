#include "converter/dsp/kernels.h"

namespace dorv::dsp {

const TKernels& Kernels() {
  // A function-local static: chosen once, by whichever thread comes first.
  static const TKernels& chosen = Ssse3Kernels() != nullptr ? *Ssse3Kernels() : PlainKernels();
  return chosen;
}

}  // namespace dorv::dsp
