// The runner: how a call's work uses the second core. The export or the
// libdov call makes one and hands it down; every piece of work asks it. It
// is the one place that decides whether work is worth a thread and the one
// place that starts threads. Work it runs beside also runs in order on the
// caller's thread: when it is too small, when no thread can be had, or when
// threads are off (DORV_THREADS=1 in the environment, or the caller's own
// setting).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

namespace dorv {

// Work that reads or writes fewer bytes than this is done on one thread: a
// thread would cost more than it saves.
inline constexpr uint64_t kWorthAThreadBytes = uint64_t{1} << 20;

// False when the environment says DORV_THREADS=1 (read once).
bool ThreadsOn();

// One job on a thread of its own, started by a runner. Join waits for the
// job and returns what it threw (null if nothing); the destructor joins a
// job not joined yet.
class TSecondThread {
 public:
  TSecondThread() = default;
  ~TSecondThread();
  TSecondThread(const TSecondThread&) = delete;
  TSecondThread& operator=(const TSecondThread&) = delete;

  std::exception_ptr Join();

 private:
  friend class TRunner;
  bool Start(std::function<void()> job);

  std::thread thread_;
  std::exception_ptr error_;
};

class TRunner {
 public:
  // Threads as the environment says, and off when the caller says no.
  explicit TRunner(bool callerAllows = true) : threads_(callerAllows && ThreadsOn()) {}

  bool ThreadsAllowed() const { return threads_; }

  // Whether work over this many bytes is worth a thread of its own. The
  // answer does not depend on threads being on: with threads off such work
  // takes the same way, in order.
  static bool Worth(uint64_t bytes) { return bytes >= kWorthAThreadBytes; }

  // Starts job on thread. Returns false, having run nothing, when threads
  // are off or none can be had; the caller then does the work itself.
  bool Start(TSecondThread& thread, std::function<void()> job) const;

  // Runs first and then second, or, when beside is true and a thread can be
  // had, second on the other thread while first runs here. Either way the
  // error thrown is the one the in-order run throws: first's if it fails,
  // else second's. In order, second does not run once first has failed;
  // side by side it runs to its end before the error is thrown.
  void Beside(bool beside, const std::function<void()>& first, const std::function<void()>& second) const;

  // Calls work(band, first, last) for rows [first, last) so that every row
  // of [0, height) is worked once: in bands 0 and 1 on two threads when
  // bytes (what the work writes) is worth a thread, else in band 0 alone.
  // work must not throw; a result per band goes to a slot of its own. Each
  // band's rows are written by that band alone.
  void Bands(int32_t height, uint64_t bytes,
             const std::function<void(int band, int32_t first, int32_t last)>& work) const;

 private:
  bool threads_;
};

}  // namespace dorv
