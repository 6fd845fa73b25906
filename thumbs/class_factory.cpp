#include "thumbs/class_factory.h"

#include <new>

#include "thumbs/module.h"
#include "thumbs/thumbnail_provider.h"

namespace dorv::thumbs {

ThumbnailClassFactory& ThumbnailClassFactory::Instance() {
  static ThumbnailClassFactory factory;
  return factory;
}

STDMETHODIMP ThumbnailClassFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// Handed-out references lock the module instead of counting on the object.
STDMETHODIMP_(ULONG) ThumbnailClassFactory::AddRef() {
  LockModule(true);
  return 2;
}

STDMETHODIMP_(ULONG) ThumbnailClassFactory::Release() {
  LockModule(false);
  return 1;
}

STDMETHODIMP ThumbnailClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  ThumbnailProvider* provider = new (std::nothrow) ThumbnailProvider();
  if (provider == nullptr) return E_OUTOFMEMORY;
  // The provider starts with one reference, which this call gives back.
  const HRESULT result = provider->QueryInterface(iid, object);
  provider->Release();
  return result;
}

STDMETHODIMP ThumbnailClassFactory::LockServer(BOOL lock) {
  LockModule(lock != FALSE);
  return S_OK;
}

}  // namespace dorv::thumbs
