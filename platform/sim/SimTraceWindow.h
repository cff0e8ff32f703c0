#pragma once
// Stands in for the trace channel's window calls while it lives: records what would be sent to an open
// "DebugHelper " window (found by that title only).

#include <string>
#include <vector>

#include "platform/DeviceServices.h"
#include "platform/TraceWindow.h"

class SimTraceWindow : public TraceWindow {
public:
  SimTraceWindow() : m_scope(*this) {}

  HWND FindWindowA(PCSTR, PCSTR title) override {
    Platform().SetLastError(1400); // as a real lookup may leave it: the trace keeps the caller's code
    return open && title && std::string(title) == "DebugHelper " ? m_hWindow : nullptr;
  }
  BOOL IsWindow(HWND window) override { return open && window == m_hWindow; }
  LRESULT SendMessageA(HWND window, UINT message, WPARAM, LPARAM text) override {
    if (window == m_hWindow && message == WM_SETTEXT)
      texts.emplace_back(reinterpret_cast<const char *>(text));
    return TRUE;
  }

  bool open = true; // is a debugging window open
  std::vector<std::string> texts;

private:
  HWND const m_hWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  ScopedTraceWindows m_scope;
};
