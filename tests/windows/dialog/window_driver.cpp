#include "dialog/window_driver.h"

#include <cstdio>
#include <thread>
#include <vector>

#include "platform/wide_text.h"

namespace dorv::test {
namespace {

struct Search {
  const std::wstring* caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  if (std::wstring(className) == L"#32770" && *search->caption == caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

bool OfThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  if (OfThisProcess(window) && ClassOf(window) == L"#32770")
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return TRUE;
}

BOOL CALLBACK Describe(HWND window, LPARAM param) {
  if (!OfThisProcess(window)) return TRUE;
  // Read without a message: the window's thread may be the one that hangs.
  wchar_t caption[256] = {};
  InternalGetWindowText(window, caption, 256);
  auto* text = reinterpret_cast<std::string*>(param);
  *text += "  " + platform::Utf8FromWide(ClassOf(window)) + " \"" +
           platform::Utf8FromWide(caption) + "\"" + (IsWindowVisible(window) ? " visible" : "") +
           "\n";
  return TRUE;
}

}  // namespace

bool CancelDialogsUntil(const std::atomic<bool>& returned, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!returned) {
    if (GetTickCount() - start > timeoutMs) return false;
    EnumWindows(&CancelDialog, 0);
    Sleep(50);
  }
  return true;
}

std::string DescribeWindows() {
  std::string text;
  EnumWindows(&Describe, reinterpret_cast<LPARAM>(&text));
  return text.empty() ? "  (none)\n" : text;
}

void Trace(const char* step) {
  std::fprintf(stderr, "[%lu ms] %s\n", static_cast<unsigned long>(GetTickCount()), step);
  std::fflush(stderr);
}

void StartWatchdog(DWORD timeoutMs) {
  static std::atomic<bool> started{false};
  if (started.exchange(true)) return;
  std::thread([timeoutMs] {
    Sleep(timeoutMs);
    std::fprintf(stderr, "still running after %lu ms\n", static_cast<unsigned long>(timeoutMs));
    std::fflush(stderr);
    std::fprintf(stderr, "windows of this process:\n%s", DescribeWindows().c_str());
    std::fflush(stderr);
    std::fflush(stdout);
    ExitProcess(3);
  }).detach();
}

HWND WaitForDialog(const std::wstring& caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    Search search{&caption};
    EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      Settle(search.found);
      return search.found;
    }
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(10);
  }
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

std::string TextOf(HWND window) {
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return platform::Utf8FromWide(text);
}

void SetText(HWND window, const std::string& utf8) {
  const std::wstring text = platform::WideFromUtf8(utf8);
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

RECT RectInDialog(HWND window, HWND dialog) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

void SelectItem(HWND dialog, int comboId, int index) {
  HWND combo = GetDlgItem(dialog, comboId);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void FocusControl(HWND dialog, HWND control) {
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

HWND FocusedControl(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void PressKey(HWND dialog, UINT virtualKey, wchar_t character, bool alt) {
  HWND target = FocusedControl(dialog);
  if (target == nullptr) target = dialog;
  const LPARAM context = alt ? (1 << 29) : 0;
  PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1 | context);
  if (character != 0) PostMessageW(target, alt ? WM_SYSCHAR : WM_CHAR, character, 1 | context);
  PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey,
               static_cast<LPARAM>(1 | context | (3u << 30)));
  Settle(dialog);
}

void TypeChars(HWND control, const std::string& ascii) {
  for (char c : ascii) SendMessageW(control, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

void Settle(HWND dialog) {
  // A sent message is handled only after everything posted before it.
  DWORD_PTR ignored = 0;
  for (int i = 0; i < 3; ++i) {
    SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
    Sleep(20);
  }
}

bool SaveScreenshot(HWND window, const std::string& path) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Settle(window);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, previous);
  }
  if (ok) {
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    info.bmiHeader.biSizeImage = imageBytes;
    FILE* out = std::fopen(path.c_str(), "wb");
    ok = out != nullptr;
    if (ok) {
      ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
           std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out) == 1 &&
           std::fwrite(bits, 1, imageBytes, out) == imageBytes;
      ok = std::fclose(out) == 0 && ok;
    }
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace dorv::test
