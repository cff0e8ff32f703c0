#include "WindowQuery.h"

#include <cstdio>

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  int copied = GetWindowTextW(window, &text[0], static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

DWORD WindowProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

namespace {
struct Search {
  const std::function<bool(HWND)> *accept;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  Search *search = reinterpret_cast<Search *>(context);
  if ((*search->accept)(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

bool IsVisibleDialog(HWND window) { return IsWindowVisible(window) && WindowClass(window) == L"#32770"; }
} // namespace

HWND FindTopLevel(const std::function<bool(HWND)> &accept) {
  Search search = {&accept, nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDialog(DWORD pid, const std::wstring &title) {
  return FindTopLevel([&](HWND window) {
    return (pid == 0 || WindowProcess(window) == pid) && IsVisibleDialog(window) && WindowText(window) == title;
  });
}

HWND FindTitled(const std::wstring &title) {
  return FindTopLevel([&](HWND window) { return WindowText(window) == title; });
}

HWND FindOwnedDialog(HWND owner, const std::wstring *title) {
  return FindTopLevel([&](HWND window) {
    return GetWindow(window, GW_OWNER) == owner && IsVisibleDialog(window) && (!title || WindowText(window) == *title);
  });
}

HWND FindFolderBrowser(DWORD pid) {
  return FindTopLevel([&](HWND window) {
    return (pid == 0 || WindowProcess(window) == pid) && IsVisibleDialog(window) &&
           FindWindowExW(window, nullptr, L"SysTreeView32", nullptr) != nullptr;
  });
}

std::wstring DescribeText(const std::wstring &text) {
  std::wstring described = L"\"";
  bool plain = true;
  for (wchar_t c : text) {
    if (c == L'\n') {
      described += L"\\n";
    } else if (c == L'\r') {
      described += L"\\r";
    } else {
      described += c;
    }
    if (c < 0x20 || c > 0x7E)
      plain = false;
  }
  described += L"\"";
  if (!plain) {
    described += L" [";
    for (size_t i = 0; i < text.size(); ++i) {
      wchar_t code[8];
      std::swprintf(code, 8, L"%s%04X", i ? L" " : L"", static_cast<unsigned>(text[i]));
      described += code;
    }
    described += L"]";
  }
  return described;
}
