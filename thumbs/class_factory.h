// The one class object of the module: it makes thumbnail providers.
#pragma once

#include <objbase.h>

namespace dorv::thumbs {

class ThumbnailClassFactory final : public IClassFactory {
 public:
  // A static object: its references do not keep it alive, only the module.
  static ThumbnailClassFactory& Instance();

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ThumbnailClassFactory() = default;
};

}  // namespace dorv::thumbs
