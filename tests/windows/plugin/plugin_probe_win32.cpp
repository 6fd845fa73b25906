// Extra exports of a test build of the plug-in module: they make the
// module's own memory requests fail, so that its out-of-memory paths can be
// reached. The module calls GlobalAlloc, GlobalReAlloc and GlobalLock through
// its import entries; this build links its own entries in their place, which
// count down the failures asked for and otherwise call the system's
// functions.
#include "platform/win32.h"
#include "plugin/host_buffer.h"

namespace {

int g_failAllocs = 0;
int g_failLocks = 0;

template <class Proc>
Proc Kernel(const char* name) {
  return reinterpret_cast<Proc>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

bool Fails(int& counter) {
  if (counter <= 0) return false;
  --counter;
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return true;
}

HGLOBAL WINAPI ProbeGlobalAlloc(UINT flags, SIZE_T bytes) {
  static const auto real = Kernel<HGLOBAL(WINAPI*)(UINT, SIZE_T)>("GlobalAlloc");
  return Fails(g_failAllocs) ? nullptr : real(flags, bytes);
}

HGLOBAL WINAPI ProbeGlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags) {
  static const auto real = Kernel<HGLOBAL(WINAPI*)(HGLOBAL, SIZE_T, UINT)>("GlobalReAlloc");
  return Fails(g_failAllocs) ? nullptr : real(mem, bytes, flags);
}

LPVOID WINAPI ProbeGlobalLock(HGLOBAL mem) {
  static const auto real = Kernel<LPVOID(WINAPI*)(HGLOBAL)>("GlobalLock");
  return Fails(g_failLocks) ? nullptr : real(mem);
}

}  // namespace

// The import entries, by the names the compiler gives them.
#if defined(_WIN64)
#define DORV_IMPORT_ENTRY(name, bytes) __asm__("__imp_" #name)
#else
#define DORV_IMPORT_ENTRY(name, bytes) __asm__("__imp__" #name "@" #bytes)
#endif
extern "C" {
extern void* const g_importGlobalAlloc DORV_IMPORT_ENTRY(GlobalAlloc, 8);
extern void* const g_importGlobalReAlloc DORV_IMPORT_ENTRY(GlobalReAlloc, 12);
extern void* const g_importGlobalLock DORV_IMPORT_ENTRY(GlobalLock, 4);
void* const g_importGlobalAlloc = reinterpret_cast<void*>(&ProbeGlobalAlloc);
void* const g_importGlobalReAlloc = reinterpret_cast<void*>(&ProbeGlobalReAlloc);
void* const g_importGlobalLock = reinterpret_cast<void*>(&ProbeGlobalLock);

__declspec(dllexport) void DorvProbeFailNextGlobalAllocs(int count) { g_failAllocs = count; }
__declspec(dllexport) void DorvProbeFailNextGlobalLocks(int count) { g_failLocks = count; }
__declspec(dllexport) void DorvProbeFailNextBufferAllocations(int count) {
  dorv::plugin::FailNextBufferAllocations(count);
}
}
