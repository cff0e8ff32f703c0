#pragma once
// Looking at other processes' windows: texts are read with GetWindowTextW, which asks the window
// server and sends the owner no message, so it works while the owner is busy.

#include <windows.h>

#include <functional>
#include <string>

std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);
DWORD WindowProcess(HWND window);

// The first top-level window for which accept is true, or null.
HWND FindTopLevel(const std::function<bool(HWND)> &accept);

// A visible dialog (class #32770) with exactly this title; of process pid unless pid is 0.
HWND FindDialog(DWORD pid, const std::wstring &title);
// A top-level window with exactly this title, visible or not.
HWND FindTitled(const std::wstring &title);
// A visible dialog owned by owner; any title when title is null.
HWND FindOwnedDialog(HWND owner, const std::wstring *title);
// The shell's folder browser of process pid (unless 0): a visible dialog holding a tree view.
HWND FindFolderBrowser(DWORD pid);

// Polls check every 20 ms until it gives a non-zero value or timeoutMs pass; returns the last value.
template <typename Check> auto WaitFor(Check check, DWORD timeoutMs) -> decltype(check()) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    auto value = check();
    if (value || GetTickCount64() >= deadline)
      return value;
    Sleep(20);
  }
}

// "text" followed, when it holds anything but printable ASCII, by its code points: for messages.
std::wstring DescribeText(const std::wstring &text);
