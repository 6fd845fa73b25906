// Drives the registered thumbnail handler as the shell does: the class is
// created by its id, handed each document as a stream in memory, and asked
// for thumbnails. Each bitmap is written as NAME.SIZE.bgra (width and height
// as 32-bit numbers, then the rows, top first, blue, green, red, alpha) for
// the comparison with dovtool's thumbnails.
//
//   dorv_thumb_client OUT-DIR FILE.dov...
//
// Prints one line per check; the exit status is the number of failures.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/hostile_files.h"
#include "thumbs/com_ref.h"
#include "thumbs/thumb_clsid.h"

namespace {

using dorv::thumbs::ComRef;

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++g_failures;
}

template <typename T>
ComRef<T> Take(T* object) {
  ComRef<T> ref = ComRef<T>::Share(object);
  if (object != nullptr) object->Release();
  return ref;
}

struct Handler {
  ComRef<IInitializeWithStream> init;
  ComRef<IThumbnailProvider> provider;
};

Handler Create() {
  Handler h;
  IThumbnailProvider* provider = nullptr;
  const HRESULT created =
      CoCreateInstance(dorv::thumbs::kThumbnailHandlerClsid, nullptr, CLSCTX_INPROC_SERVER,
                       __uuidof(IThumbnailProvider), reinterpret_cast<void**>(&provider));
  if (FAILED(created)) return h;
  h.provider = Take(provider);
  IInitializeWithStream* init = nullptr;
  if (SUCCEEDED(provider->QueryInterface(__uuidof(IInitializeWithStream),
                                         reinterpret_cast<void**>(&init))))
    h.init = Take(init);
  return h;
}

ComRef<IStream> MemoryStream(const std::vector<uint8_t>& bytes) {
  return Take(SHCreateMemStream(bytes.empty() ? nullptr : bytes.data(),
                                static_cast<UINT>(bytes.size())));
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bitmap's pixels, top row first, or nothing when it is not a 32-bit
// bitmap.
bool Pixels(HBITMAP bitmap, int32_t& width, int32_t& height, std::vector<uint8_t>& out) {
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmBitsPixel != 32) return false;
  width = info.bmWidth;
  height = info.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof request.bmiHeader;
  request.bmiHeader.biWidth = width;
  request.bmiHeader.biHeight = -height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  out.assign(size_t(width) * size_t(height) * 4, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, UINT(height), out.data(), &request, DIB_RGB_COLORS);
  DeleteDC(dc);
  return rows == height;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void ThumbnailsOf(const std::string& outDir, const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  const std::string name = BaseName(path);
  for (UINT size : {32u, 96u, 256u}) {
    // A fresh handler for each size, as the shell makes one per request.
    Handler h = Create();
    const std::string what = name + " at " + std::to_string(size);
    if (!h.init || !h.provider) {
      Check(false, what + ": the handler cannot be created");
      continue;
    }
    ComRef<IStream> stream = MemoryStream(bytes);
    Check(SUCCEEDED(h.init.get()->Initialize(stream.get(), STGM_READ)), what + ": initialized");
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    const HRESULT got = h.provider.get()->GetThumbnail(size, &bitmap, &alpha);
    Check(SUCCEEDED(got) && bitmap != nullptr, what + ": a bitmap");
    if (bitmap == nullptr) continue;
    Check(alpha == WTSAT_ARGB, what + ": with alpha");
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
    const bool read = Pixels(bitmap, width, height, pixels);
    DeleteObject(bitmap);
    Check(read && width <= int32_t(size) && height <= int32_t(size), what + ": fits");
    if (!read) continue;
    std::ofstream out(outDir + "\\" + name + "." + std::to_string(size) + ".bgra",
                      std::ios::binary);
    out.write(reinterpret_cast<const char*>(&width), 4);
    out.write(reinterpret_cast<const char*>(&height), 4);
    out.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
  }
}

// What is no document gives an error and no bitmap; a handler is
// initialized once.
void Refusals() {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const std::string text = "plain text, no document";
  for (const Case& c : {Case{"an empty stream", {}},
                        Case{"text", std::vector<uint8_t>(text.begin(), text.end())},
                        Case{"a bare magic", {'D', 'o', 'r', 'v', 'X', '2', '0', '0'}}}) {
    Handler h = Create();
    if (!h.init) {
      Check(false, std::string(c.name) + ": the handler cannot be created");
      continue;
    }
    ComRef<IStream> stream = MemoryStream(c.bytes);
    h.init.get()->Initialize(stream.get(), STGM_READ);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    WTS_ALPHATYPE alpha = WTSAT_ARGB;
    const HRESULT got = h.provider.get()->GetThumbnail(96, &bitmap, &alpha);
    Check(FAILED(got) && bitmap == nullptr, std::string(c.name) + ": refused without a bitmap");
  }
  Handler h = Create();
  if (!h.init) return;
  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha{};
  Check(h.provider.get()->GetThumbnail(96, &bitmap, &alpha) == E_UNEXPECTED,
        "a thumbnail before a stream is refused");
  ComRef<IStream> stream = MemoryStream({1, 2, 3});
  Check(SUCCEEDED(h.init.get()->Initialize(stream.get(), STGM_READ)), "the first stream is taken");
  Check(FAILED(h.init.get()->Initialize(stream.get(), STGM_READ)), "a second stream is refused");
}

// Every file of the hostile set ends quickly, with an error or a thumbnail
// that fits (the memory each takes is measured by the Linux tests).
void Hostile() {
  const auto& files = dorv::testing::HostileFiles();
  int slow = 0, misfits = 0;
  ULONGLONG slowest = 0;
  for (const dorv::testing::HostileFile& file : files) {
    Handler h = Create();
    if (!h.init) {
      Check(false, file.name + ": the handler cannot be created");
      return;
    }
    ComRef<IStream> stream = MemoryStream(file.bytes);
    h.init.get()->Initialize(stream.get(), STGM_READ);
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha{};
    const ULONGLONG started = GetTickCount64();
    const HRESULT got = h.provider.get()->GetThumbnail(256, &bitmap, &alpha);
    const ULONGLONG took = GetTickCount64() - started;
    slowest = took > slowest ? took : slowest;
    if (took > 5000) {
      ++slow;
      std::printf("slow: %s took %llu ms\n", file.name.c_str(), took);
    }
    if (SUCCEEDED(got)) {
      BITMAP info{};
      if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth > 256 ||
          info.bmHeight > 256)
        ++misfits;
      if (bitmap != nullptr) DeleteObject(bitmap);
    } else if (bitmap != nullptr) {
      ++misfits;
    }
  }
  Check(slow == 0, std::to_string(files.size()) + " hostile files each ended within 5 s (slowest " +
                       std::to_string(slowest) + " ms)");
  Check(misfits == 0, "hostile files gave an error or a thumbnail that fits");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dorv_thumb_client OUT-DIR FILE.dov...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  for (int i = 2; i < argc; ++i) ThumbnailsOf(argv[1], argv[i]);
  Refusals();
  Hostile();
  CoUninitialize();
  std::printf("%d failed\n", g_failures);
  return g_failures;
}
