// Limits that a library caller sets for one call. They hold for the work
// done on the thread that installed them and for the work its runner hands
// to the second core. They are checked where memory is taken, far below
// any context. Without a scope in force the converter's own caps apply
// alone.
#pragma once

#include <atomic>
#include <cstdint>

#include "converter/core/errors.h"

namespace dorv {

// A document past a caller's limit. Not damage: nothing of it is kept.
class ELimitExceeded : public Exception { using Exception::Exception; };

struct TCallLimits {
  uint64_t MaxSurfacePixels = 0;  // 0: no limit beyond the converter's caps
  uint64_t MaxAllocatedBytes = 0;
  uint32_t MaxFrames = 0;
};

// Installs limits for the calling thread while it lives; scopes nest.
class TCallScope {
 public:
  explicit TCallScope(const TCallLimits& limits);
  ~TCallScope();
  TCallScope(const TCallScope&) = delete;
  TCallScope& operator=(const TCallScope&) = delete;

  // The scope in force on this thread, or null. The second thread takes its
  // creator's scope with Adopt.
  static TCallScope* Current();
  static void Adopt(TCallScope* scope);

  void ChargeAllocation(uint64_t bytes);
  const TCallLimits& Limits() const { return limits_; }

 private:
  TCallLimits limits_;
  TCallScope* outer_;
  std::atomic<uint64_t> allocated_{0};
};

// The checks the reader and the allocation path make. Each raises
// ELimitExceeded when a scope is in force and its limit is passed.
void CheckSurfacePixels(uint64_t pixels);
void CheckFrameCount(int64_t frames);
void ChargeAllocation(uint64_t bytes);

}  // namespace dorv
