// Steps on the controls of the current window: clicks, keys, texts, visibility.

#include "Session.h"

#include "StepSupport.h"
#include "WindowQuery.h"

using namespace steps;

bool Session::Click(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND button;
  if (!Control(args[0], button, error))
    return false;
  if (!IsWindowVisible(button) || !IsWindowEnabled(button)) {
    error = L"button " + args[0] + L" " + DescribeText(WindowText(button)) + L" is " +
            (IsWindowVisible(button) ? L"disabled" : L"hidden");
    return false;
  }
  // Posted, never sent: the click's handler may run a modal loop that would hold a sent message.
  PostMessageW(button, BM_CLICK, 0, 0);
  return true;
}

bool Session::ExpectCaption(const std::vector<std::wstring> &args, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  const std::wstring caption = WindowText(m_current);
  if (caption != args[0]) {
    error = L"caption is " + DescribeText(caption) + L", expected " + DescribeText(args[0]);
    return false;
  }
  return true;
}

bool Session::ExpectText(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  const std::wstring text = WindowText(control);
  if (text != args[1]) {
    error = L"control " + args[0] + L" holds " + DescribeText(text) + L", expected " + DescribeText(args[1]);
    return false;
  }
  return true;
}

bool Session::WaitText(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  HWND control;
  if (!OptionalTimeout(args, 2, kOwnedTimeout, timeout, error) || !Control(args[0], control, error))
    return false;
  if (!WaitFor([&] { return WindowText(control) == args[1]; }, timeout)) {
    error = L"control " + args[0] + L" still holds " + DescribeText(WindowText(control)) + L" after " +
            std::to_wstring(timeout) + L" ms, expected " + DescribeText(args[1]);
    return false;
  }
  return true;
}

bool Session::ExpectVisible(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  if (!IsWindowVisible(control)) {
    error = L"control " + args[0] + L" is hidden";
    return false;
  }
  return true;
}

bool Session::ExpectHidden(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  if (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) {
    error = L"control " + args[0] + L" is visible";
    return false;
  }
  return true;
}

bool Session::PrintCaption(const std::vector<std::wstring> &, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  PrintUtf8(L"caption " + DescribeText(WindowText(m_current)));
  return true;
}

bool Session::PrintText(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  PrintUtf8(L"text " + args[0] + L" " + DescribeText(WindowText(control)));
  return true;
}

bool Session::PrintRect(const std::vector<std::wstring> &, std::wstring &error) {
  RECT rect;
  if (!NeedCurrent(error))
    return false;
  if (!GetWindowRect(m_current, &rect)) {
    error = L"cannot read the window's rectangle";
    return false;
  }
  PrintUtf8(L"RECT " + std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " +
            std::to_wstring(rect.right - rect.left) + L" " + std::to_wstring(rect.bottom - rect.top));
  return true;
}

bool Session::KeyEscape(const std::vector<std::wstring> &, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  // The dialog's own loop turns Esc on any of its controls into Cancel, as it does for a user.
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = m_current;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(m_current, nullptr), &info) && info.hwndFocus &&
      (info.hwndFocus == m_current || IsChild(m_current, info.hwndFocus)))
    target = info.hwndFocus;
  const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, 0)) << 16;
  PrintUtf8(L"esc to " + WindowClass(target) + L" " + std::to_wstring(GetDlgCtrlID(target)) +
            (info.hwndActive ? L", active " + DescribeText(WindowText(info.hwndActive)) : L", no active window"));
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, scanCode | 1);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, scanCode | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
  return true;
}

bool Session::Close(const std::vector<std::wstring> &, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  PostMessageW(m_current, WM_CLOSE, 0, 0);
  return true;
}

bool Session::SysCommand(const std::vector<std::wstring> &args, std::wstring &error) {
  unsigned long value = 0;
  if (!ParseNumber(args[0], value)) {
    error = L"not a number: " + args[0];
    return false;
  }
  if (!NeedCurrent(error))
    return false;
  PostMessageW(m_current, WM_SYSCOMMAND, value, 0);
  return true;
}
