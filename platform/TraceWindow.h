#pragma once
// The window calls through which the trace channel delivers its texts. The Win32 build calls the
// real functions; native tests install a recorder that captures what would be sent.

#include "platform/PlatformTypes.h"

class TraceWindow {
public:
  virtual ~TraceWindow() = default;
  virtual HWND FindWindowA(PCSTR className, PCSTR windowName) = 0;
  virtual BOOL IsWindow(HWND window) = 0;
  virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The process's trace window calls: the real ones on Windows, a "no window open" stand-in elsewhere.
TraceWindow &TraceWindows();
TraceWindow *SetTraceWindows(TraceWindow *windows); // returns the previous one; nullptr restores the default

class ScopedTraceWindows {
public:
  explicit ScopedTraceWindows(TraceWindow &windows) : m_pPrevious(SetTraceWindows(&windows)) {}
  ~ScopedTraceWindows() { SetTraceWindows(m_pPrevious); }
  ScopedTraceWindows(const ScopedTraceWindows &) = delete;
  ScopedTraceWindows &operator=(const ScopedTraceWindows &) = delete;

private:
  TraceWindow *m_pPrevious;
};
