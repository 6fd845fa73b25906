#include "converter/core/runner.h"

#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include "converter/core/call_limits.h"

namespace dorv {

bool ThreadsOn() {
  static const bool on = [] {
    const char* value = std::getenv("DORV_THREADS");
    return value == nullptr || std::strcmp(value, "1") != 0;
  }();
  return on;
}

TSecondThread::~TSecondThread() {
  if (thread_.joinable()) thread_.join();
}

bool TSecondThread::Start(std::function<void()> job) {
  if (thread_.joinable()) return false;
  error_ = nullptr;
  try {
    // The job works under its creator's limits.
    thread_ = std::thread([this, job = std::move(job), scope = TCallScope::Current()] {
      TCallScope::Adopt(scope);
      try {
        job();
      } catch (...) {
        error_ = std::current_exception();
      }
    });
  } catch (const std::system_error&) {  // no thread to be had
    return false;
  }
  return true;
}

std::exception_ptr TSecondThread::Join() {
  if (thread_.joinable()) thread_.join();
  return std::exchange(error_, nullptr);
}

bool TRunner::Start(TSecondThread& thread, std::function<void()> job) const {
  return threads_ && thread.Start(std::move(job));
}

void TRunner::Beside(bool beside, const std::function<void()>& first, const std::function<void()>& second) const {
  TSecondThread other;
  if (!beside || !Start(other, second)) {
    first();
    second();
    return;
  }
  std::exception_ptr firstFailed;
  try {
    first();
  } catch (...) {
    firstFailed = std::current_exception();
  }
  const std::exception_ptr secondFailed = other.Join();
  if (firstFailed) std::rethrow_exception(firstFailed);
  if (secondFailed) std::rethrow_exception(secondFailed);
}

void TRunner::Bands(int32_t height, uint64_t bytes, const std::function<void(int, int32_t, int32_t)>& work) const {
  const int32_t middle = height / 2;
  TSecondThread lower;
  if (height < 2 || !Worth(bytes) || !Start(lower, [&] { work(1, middle, height); })) {
    work(0, 0, height);
    return;
  }
  work(0, 0, middle);
  lower.Join();
}

}  // namespace dorv
