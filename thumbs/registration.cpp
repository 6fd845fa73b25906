#include "thumbs/registration.h"

#include <shlobj.h>

#include <string>
#include <vector>

#include "thumbs/thumb_clsid.h"

namespace dorv::thumbs {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

LSTATUS SetValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  Key key;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                   KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Out(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        bytes);
}

// Deletes the key when it has neither subkeys nor values.
void DeleteIfEmpty(const std::wstring& path) {
  Key key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.Out()) !=
      ERROR_SUCCESS)
    return;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  if (subkeys == 0 && values == 0) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
}

HRESULT FromStatus(LSTATUS status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

}  // namespace

HRESULT RegisterHandler(HINSTANCE module) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length < path.size()) break;
    if (path.size() >= 32768) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    path.resize(path.size() * 2);
  }
  const std::wstring classKey = kClasses + L"CLSID\\" + kThumbnailHandlerClsidText;
  LSTATUS status = SetValue(classKey, nullptr, L"DorvStudio thumbnail handler");
  if (status == ERROR_SUCCESS)
    status = SetValue(classKey + L"\\InprocServer32", nullptr, path.data());
  if (status == ERROR_SUCCESS)
    status = SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  if (status == ERROR_SUCCESS)
    status = SetValue(kClasses + kExtension + L"\\ShellEx\\" + kThumbnailShellExKey, nullptr,
                      kThumbnailHandlerClsidText);
  if (status != ERROR_SUCCESS) {
    UnregisterHandler();
    return FromStatus(status);
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return S_OK;
}

HRESULT UnregisterHandler() {
  const std::wstring classKey = kClasses + L"CLSID\\" + kThumbnailHandlerClsidText;
  const std::wstring extension = kClasses + kExtension;
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey.c_str());
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (extension + L"\\ShellEx\\" + kThumbnailShellExKey).c_str(),
                  KEY_WOW64_64KEY, 0);
  // The extension may belong to other programs too: only what is left empty goes.
  DeleteIfEmpty(extension + L"\\ShellEx");
  DeleteIfEmpty(extension);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return S_OK;
}

}  // namespace dorv::thumbs
