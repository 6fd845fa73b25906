// Extra exports of a test build of the plug-in module: they make the module's
// own memory requests fail, so that its out-of-memory paths can be reached.
#include "platform/win32.h"
#include "plugin/host_buffer.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

PROBE_EXPORT void DorvProbeFailNextGlobalAllocs(int count) {
  platform::FailNextGlobalAllocs(count);
}
PROBE_EXPORT void DorvProbeFailNextGlobalLocks(int count) { platform::FailNextGlobalLocks(count); }
PROBE_EXPORT void DorvProbeFailNextBufferAllocations(int count) {
  dorv::plugin::FailNextBufferAllocations(count);
}
