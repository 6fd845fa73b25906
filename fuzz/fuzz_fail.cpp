#include <cstdio>
#include <stdexcept>

#include "fuzz_check.h"

namespace dorv::fuzz {

void Fail(const char* what) {
#ifdef DORV_FUZZ_REPLAY
  throw std::logic_error(what);
#else
  std::fprintf(stderr, "fuzz oracle failed: %s\n", what);
  __builtin_trap();
#endif
}

}  // namespace dorv::fuzz
