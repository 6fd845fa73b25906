// What the cases near a 32-bit process's limits share: a 64-bit build reads
// and writes their pictures in full, which takes gigabytes and seconds, so
// the sanitizer builds leave that half out; a 32-bit build always runs its
// half, where the same pictures do not fit.
#pragma once

#include <gtest/gtest.h>

#include "support/large_docs.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DORV_SPACE_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DORV_SPACE_UNDER_SANITIZER 1
#endif
#endif

namespace dorv::testing {

#ifdef DORV_SPACE_UNDER_SANITIZER
#define DORV_SKIP_FULL_SIZE_IN_64_BITS()                                          \
  do {                                                                            \
    if (!kIs32BitProcess) GTEST_SKIP() << "gigabytes under the sanitizer";        \
  } while (0)
#else
#define DORV_SKIP_FULL_SIZE_IN_64_BITS() \
  do {                                   \
  } while (0)
#endif

// 2^28 pixels: the largest frame the reader takes, 1 GiB at 32 bits a
// pixel, a block no 32-bit process has room for.
inline constexpr int32_t kSide = 16384;
inline constexpr uint64_t kGiB = uint64_t{1} << 30;

}  // namespace dorv::testing
