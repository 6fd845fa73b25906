// The shell's thumbnail handler for documents: it is handed the document as
// a stream (never its path) and gives back the first frame as a bitmap.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <propsys.h>
#include <thumbcache.h>

#include <atomic>

#include "thumbs/com_ref.h"

namespace dorv::thumbs {

class ThumbnailProvider final : public IInitializeWithStream, public IThumbnailProvider {
 public:
  ThumbnailProvider();
  ThumbnailProvider(const ThumbnailProvider&) = delete;
  ThumbnailProvider& operator=(const ThumbnailProvider&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IInitializeWithStream: once only.
  STDMETHODIMP Initialize(IStream* stream, DWORD mode) override;
  // IThumbnailProvider: a 32-bit bitmap with straight alpha that fits
  // size x size.
  STDMETHODIMP GetThumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override;

 private:
  ~ThumbnailProvider();

  std::atomic<ULONG> references_{1};
  ComRef<IStream> stream_;
};

}  // namespace dorv::thumbs
