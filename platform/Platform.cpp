#include "platform/DeviceServices.h"
#include "platform/TraceWindow.h"

// Each backend names its default: the real services on Windows, an empty simulated tree elsewhere.
DeviceServices &DefaultDeviceServices();
TraceWindow &DefaultTraceWindows();

namespace {
DeviceServices *g_pServices = nullptr;
TraceWindow *g_pTraceWindows = nullptr;
} // namespace

DeviceServices &Platform() { return g_pServices ? *g_pServices : DefaultDeviceServices(); }

DeviceServices *SetPlatform(DeviceServices *services) {
  DeviceServices *previous = g_pServices;
  g_pServices = services;
  return previous;
}

TraceWindow &TraceWindows() { return g_pTraceWindows ? *g_pTraceWindows : DefaultTraceWindows(); }

TraceWindow *SetTraceWindows(TraceWindow *windows) {
  TraceWindow *previous = g_pTraceWindows;
  g_pTraceWindows = windows;
  return previous;
}

#ifndef _WIN32
namespace {
// Without Windows there is no debugging window to find.
class NoTraceWindow : public TraceWindow {
public:
  HWND FindWindowA(PCSTR, PCSTR) override { return nullptr; }
  BOOL IsWindow(HWND) override { return FALSE; }
  LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM) override { return 0; }
};
} // namespace

TraceWindow &DefaultTraceWindows() {
  static NoTraceWindow none;
  return none;
}
#endif
