// Driving a real dialog of this process from a second thread, through
// window messages, as a user's clicks and keys would reach it; and reading
// back what it shows.
#pragma once

#include <atomic>
#include <string>

#include "platform/win32.h"

namespace dorv::test {

// The visible top-level dialog of this process with the caption, or null
// when none appears within the time.
HWND WaitForDialog(const std::wstring& caption, DWORD timeoutMs);
// Waits until the window is gone; false on timeout.
bool WaitUntilGone(HWND window, DWORD timeoutMs);
// Cancels every dialog of this process, again and again, until `returned`
// is set by the thread whose modal loop was running; false when that has
// not happened within the time.
bool CancelDialogsUntil(const std::atomic<bool>& returned, DWORD timeoutMs);
// The top-level windows of this process: class, caption, visibility.
std::string DescribeWindows();
// A step of the set-up, with the time, on standard error at once.
void Trace(const char* step);
// Ends the process with a description of its windows when it has not
// finished within the time: a dialog nobody closes must not hang a run.
// Only the first call starts one.
void StartWatchdog(DWORD timeoutMs);

std::string TextOf(HWND window);  // UTF-8
void SetText(HWND window, const std::string& utf8);

// The window's rectangle in the client coordinates of the dialog.
RECT RectInDialog(HWND window, HWND dialog);
SIZE ClientSize(HWND window);

// Picks an item of a drop-down list as a click on it does.
void SelectItem(HWND dialog, int comboId, int index);
// Moves the focus inside the dialog to the control.
void FocusControl(HWND dialog, HWND control);
// The control that has the keyboard focus in the dialog's thread.
HWND FocusedControl(HWND dialog);
// A key press (down, character, up) posted to the focused control, through
// the dialog's own message loop; alt makes it a system key.
void PressKey(HWND dialog, UINT virtualKey, wchar_t character = 0, bool alt = false);
// Characters typed into a control, one WM_CHAR each.
void TypeChars(HWND control, const std::string& ascii);
// Lets the dialog's thread work off what was posted to it.
void Settle(HWND dialog);

// The window's pixels as they are on the screen, written as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& path);

}  // namespace dorv::test
