// Work on the second core. Every thread the converter starts is started
// here, and every such piece of work also runs in order on the caller's
// thread: when it is too small to be worth a thread, when no thread can be
// had, or when DORV_THREADS=1 is set in the environment (which turns threads
// off for the whole process, so that the in-order runs can be tested).
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

// Whether work over this many bytes is worth a thread of its own. With
// threads off such work still takes the same way, in order.
inline bool WorthAThread(uint64_t bytes) { return bytes >= kWorthAThreadBytes; }

// One job on a thread of its own. Start returns false, having run nothing,
// when threads are off or none can be had; the caller then does the work
// itself. Join waits for the job and returns what it threw (null if
// nothing); the destructor joins a job not joined yet.
class TSecondThread {
 public:
  TSecondThread() = default;
  ~TSecondThread();
  TSecondThread(const TSecondThread&) = delete;
  TSecondThread& operator=(const TSecondThread&) = delete;

  bool Start(std::function<void()> job);
  std::exception_ptr Join();

 private:
  std::thread thread_;
  std::exception_ptr error_;
};

// Runs first and then second, or, when beside is true and a thread can be
// had, second on the other thread while first runs here. Either way the
// error thrown is the one the in-order run throws: first's if it fails,
// else second's. In order, second does not run once first has failed; side
// by side it runs to its end before the error is thrown.
void RunBeside(bool beside, const std::function<void()>& first, const std::function<void()>& second);

// Calls work(band, first, last) for rows [first, last) so that every row of
// [0, height) is worked once: in bands 0 and 1 on two threads when bytes
// (what the work writes) is worth a thread, else in band 0 alone. work must
// not throw; a result per band goes to a slot of its own. Each band's rows
// are written by that band alone.
void ForRowBands(int32_t height, uint64_t bytes,
                 const std::function<void(int band, int32_t first, int32_t last)>& work);

}  // namespace dorv
