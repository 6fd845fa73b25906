#include "converter/core/call_limits.h"

#include <string>

namespace dorv {
namespace {

thread_local TCallScope* tCurrent = nullptr;

std::string Num(uint64_t n) { return std::to_string(n); }

}  // namespace

TCallScope::TCallScope(const TCallLimits& limits) : limits_(limits), outer_(tCurrent) { tCurrent = this; }

TCallScope::~TCallScope() { tCurrent = outer_; }

TCallScope* TCallScope::Current() { return tCurrent; }

void TCallScope::Adopt(TCallScope* scope) { tCurrent = scope; }

void TCallScope::ChargeAllocation(uint64_t bytes) {
  const uint64_t before = allocated_.fetch_add(bytes, std::memory_order_relaxed);
  const uint64_t limit = limits_.MaxAllocatedBytes;
  if (limit != 0 && (bytes > limit || before > limit - bytes)) {
    allocated_.fetch_sub(bytes, std::memory_order_relaxed);
    throw ELimitExceeded("reading needs more than the limit of " + Num(limit) + " bytes of memory");
  }
}

void CheckSurfacePixels(uint64_t pixels) {
  const TCallScope* scope = tCurrent;
  if (scope == nullptr) return;
  const uint64_t limit = scope->Limits().MaxSurfacePixels;
  if (limit != 0 && pixels > limit)
    throw ELimitExceeded("a picture of " + Num(pixels) + " pixels passes the limit of " + Num(limit));
}

void CheckFrameCount(int64_t frames) {
  const TCallScope* scope = tCurrent;
  if (scope == nullptr || frames < 0) return;
  const uint64_t limit = scope->Limits().MaxFrames;
  if (limit != 0 && static_cast<uint64_t>(frames) > limit)
    throw ELimitExceeded("the document has " + Num(static_cast<uint64_t>(frames)) +
                         " frames, more than the limit of " + Num(limit));
}

void ChargeAllocation(uint64_t bytes) {
  if (TCallScope* scope = tCurrent) scope->ChargeAllocation(bytes);
}

}  // namespace dorv
