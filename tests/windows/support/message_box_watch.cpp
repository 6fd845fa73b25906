// Message boxes in the test programs: a watcher thread, started when the
// program starts, finds every message box of this process, writes
// "caption: text" to standard error (what the POSIX build of the platform
// layer prints instead of showing a box) and closes it with OK. Tests that
// capture standard error thus see what the user would have been shown,
// and no box waits for a user who is not there.
#include <cstdio>
#include <set>
#include <string>

#include "platform/wide_text.h"
#include "platform/win32.h"

namespace {

// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

// Boxes already reported, touched by the watcher thread only.
std::set<HWND>& Reported() {
  static std::set<HWND> reported;
  return reported;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096] = {};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

BOOL CALLBACK CloseIfMessageBox(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  wchar_t className[16] = {};
  GetClassNameW(window, className, static_cast<int>(std::size(className)));
  if (std::wstring(className) != L"#32770") return TRUE;
  HWND text = GetDlgItem(window, kMessageBoxTextId);
  if (text == nullptr) return TRUE;  // a dialog of its own, driven by its test
  if (!Reported().insert(window).second) return TRUE;
  const std::string line = platform::Utf8FromWide(TextOf(window)) + ": " +
                           platform::Utf8FromWide(TextOf(text)) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return TRUE;
}

DWORD WINAPI Watch(LPVOID) {
  for (;;) {
    for (auto it = Reported().begin(); it != Reported().end();)
      it = IsWindow(*it) ? std::next(it) : Reported().erase(it);
    EnumWindows(&CloseIfMessageBox, 0);
    Sleep(10);
  }
}

const bool g_watching = [] {
  HANDLE thread = CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
  return thread != nullptr;
}();

}  // namespace
