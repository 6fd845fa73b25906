// The module's exported functions: the class object, unloading and
// registration. No exception leaves them.
#include "thumbs/module.h"

#include <objbase.h>

#include <atomic>
#include <new>

#include "thumbs/class_factory.h"
#include "thumbs/registration.h"
#include "thumbs/thumb_clsid.h"

namespace dorv::thumbs {
namespace {

HINSTANCE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

}  // namespace

HINSTANCE ModuleHandle() { return g_module; }
void ObjectCreated() { ++g_objects; }
void ObjectDestroyed() { --g_objects; }
void LockModule(bool lock) {
  if (lock) {
    ++g_locks;
  } else {
    --g_locks;
  }
}

}  // namespace dorv::thumbs

using namespace dorv::thumbs;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kThumbnailHandlerClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return ThumbnailClassFactory::Instance().QueryInterface(iid, object);
}

STDAPI DllRegisterServer() {
  try {
    return RegisterHandler(ModuleHandle());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

STDAPI DllUnregisterServer() {
  try {
    return UnregisterHandler();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
