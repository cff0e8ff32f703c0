#include "platform/TraceWindow.h"

namespace {
class Win32TraceWindow : public TraceWindow {
public:
  HWND FindWindowA(PCSTR className, PCSTR windowName) override { return ::FindWindowA(className, windowName); }
  BOOL IsWindow(HWND window) override { return ::IsWindow(window); }
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    return ::SendMessageA(window, message, wParam, lParam);
  }
};
} // namespace

TraceWindow &DefaultTraceWindows() {
  static Win32TraceWindow windows;
  return windows;
}
