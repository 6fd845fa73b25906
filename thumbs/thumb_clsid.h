// The thumbnail handler's class and the shell's key for thumbnail handlers.
#pragma once

#include <windows.h>

namespace dorv::thumbs {

// {29a86dc1-5c3c-451b-bb68-c1897b269a31}
inline constexpr CLSID kThumbnailHandlerClsid = {
    0x29a86dc1, 0x5c3c, 0x451b, {0xbb, 0x68, 0xc1, 0x89, 0x7b, 0x26, 0x9a, 0x31}};
inline constexpr const wchar_t* kThumbnailHandlerClsidText =
    L"{29a86dc1-5c3c-451b-bb68-c1897b269a31}";
// The shell looks for a file type's thumbnail handler under this subkey of
// its ShellEx key (the interface's id).
inline constexpr const wchar_t* kThumbnailShellExKey = L"{e357fccd-a995-4576-b01f-234630154e96}";
inline constexpr const wchar_t* kExtension = L".dov";

}  // namespace dorv::thumbs
