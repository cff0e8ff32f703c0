#pragma once
// Captures what the trace channel would send to an open "DebugHelper " window.

#include <cstring>
#include <string>
#include <vector>

#include "platform/DeviceServices.h"
#include "platform/TraceWindow.h"

class TraceRecorder : public TraceWindow {
public:
  TraceRecorder() : m_scope(*this) {}

  HWND FindWindowA(PCSTR /*className*/, PCSTR windowName) override {
    if (errorOnFind)
      Platform().SetLastError(errorOnFind); // as real window calls may
    lastTitle = windowName ? windowName : "";
    return open ? Handle() : nullptr;
  }
  BOOL IsWindow(HWND window) override { return open && window == Handle(); }
  LRESULT SendMessageA(HWND window, UINT message, WPARAM, LPARAM lParam) override {
    if (window == Handle() && message == WM_SETTEXT) {
      texts.emplace_back(reinterpret_cast<const char *>(lParam));
      sentLengths.push_back(texts.back().size());
    }
    return TRUE;
  }

  bool open = true;     // is a debugging window open
  DWORD errorOnFind = 0; // the last-error code a lookup leaves
  std::string lastTitle;
  std::vector<std::string> texts;
  std::vector<size_t> sentLengths;

private:
  static HWND Handle() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }
  ScopedTraceWindows m_scope;
};
