// The module's only export, and the loader's notifications.
#include <cstdint>

#include "plugin/dispatch.h"
#include "plugin/host_api.h"
#include "plugin/plugin_state.h"

#ifdef _WIN32
#define DORV_PLUGIN_EXPORT __declspec(dllexport)
#else
#define DORV_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" DORV_PLUGIN_EXPORT void DORV_CDECL PluginMain(int16_t selector, void* parameterBlock,
                                                         intptr_t* data, int16_t* result) {
  dorv::plugin::Dispatch(selector, parameterBlock, data, result);
}

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  dorv::plugin::State().module = instance;
  // Suites still held when the module goes away are given back through the
  // basic suite of the last call.
  if (reason == DLL_PROCESS_DETACH) dorv::plugin::State().suites.ReleaseAll();
  return TRUE;
}
#else
namespace {
// Without loader notifications the module is known by an address inside it;
// suites still held at unload are given back by the state's destructor.
char g_moduleAnchor;
[[maybe_unused]] const bool g_moduleKnown = (dorv::plugin::State().module = &g_moduleAnchor, true);
}  // namespace
#endif
