#include "thumbs/thumbnail_provider.h"

#include <exception>
#include <new>

#include "thumbs/module.h"
#include "thumbs/stream_bytes.h"
#include "thumbs/thumb_bitmap.h"
#include "thumbs/thumb_source.h"

namespace dorv::thumbs {

ThumbnailProvider::ThumbnailProvider() { ObjectCreated(); }
ThumbnailProvider::~ThumbnailProvider() { ObjectDestroyed(); }

STDMETHODIMP ThumbnailProvider::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IInitializeWithStream))) {
    *object = static_cast<IInitializeWithStream*>(this);
  } else if (IsEqualIID(iid, __uuidof(IThumbnailProvider))) {
    *object = static_cast<IThumbnailProvider*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ThumbnailProvider::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) ThumbnailProvider::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ThumbnailProvider::Initialize(IStream* stream, DWORD) {
  if (stream == nullptr) return E_INVALIDARG;
  if (stream_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
  stream_ = ComRef<IStream>::Share(stream);
  return S_OK;
}

STDMETHODIMP ThumbnailProvider::GetThumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
  if (bitmap == nullptr || alpha == nullptr) return E_POINTER;
  *bitmap = nullptr;
  *alpha = WTSAT_UNKNOWN;
  if (!stream_) return E_UNEXPECTED;
  if (size == 0) return E_INVALIDARG;
  // The shell asks for sizes up to a few thousand; larger ones get the
  // largest thumbnail made.
  const int32_t side = size > UINT(kMaxThumbnailSize) ? kMaxThumbnailSize : int32_t(size);
  try {
    const std::vector<uint8_t> bytes = ReadStream(*stream_.get(), kMaxStreamBytes);
    *bitmap = ToBitmap(MakeThumbnail(bytes, side)).Release();
    *alpha = WTSAT_ARGB;
    return S_OK;
  } catch (const StreamError& e) {
    return e.Code();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    // Not a document, or one without a frame.
    return E_FAIL;
  }
}

}  // namespace dorv::thumbs
