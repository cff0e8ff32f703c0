#include "trace/DebugTrace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/CodePage.h"
#include "platform/DeviceServices.h"
#include "platform/TraceWindow.h"

namespace {

const char kTraceWindowTitle[] = "DebugHelper ";
const size_t kTraceBufferSize = 512;

// The debugging window, or null when none is open.
HWND FindTraceWindow(TraceWindow &windows) {
  HWND window = windows.FindWindowA(nullptr, kTraceWindowTitle);
  if (!windows.IsWindow(window))
    window = windows.FindWindowA(nullptr, kTraceWindowTitle);
  return window;
}

// Keeps the thread's last-error code as the caller left it: callers read it after tracing.
class LastErrorKeeper {
public:
  LastErrorKeeper() : m_dwSaved(Platform().GetLastError()) {}
  ~LastErrorKeeper() { Platform().SetLastError(m_dwSaved); }
  LastErrorKeeper(const LastErrorKeeper &) = delete;
  LastErrorKeeper &operator=(const LastErrorKeeper &) = delete;

private:
  DWORD m_dwSaved;
};

void Deliver(TraceWindow &windows, HWND window, const char *text) {
  windows.SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

} // namespace

void DebugTrace(const char *format, ...) {
  LastErrorKeeper keeper;
  TraceWindow &windows = TraceWindows();
  HWND window = FindTraceWindow(windows);
  if (!window || !format)
    return;
  char buffer[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  // vsnprintf cuts a longer text to its first 511 bytes and always ends it.
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0)
    buffer[0] = '\0';
  else if (static_cast<size_t>(length) >= sizeof buffer)
    buffer[WholeCharacterLength(buffer, sizeof buffer - 1)] = '\0';
  Deliver(windows, window, buffer);
}

void DebugTraceText(const char *text) {
  LastErrorKeeper keeper;
  TraceWindow &windows = TraceWindows();
  HWND window = FindTraceWindow(windows);
  if (!window || !text)
    return;
  char buffer[kTraceBufferSize];
  size_t length = std::strlen(text);
  if (length >= sizeof buffer)
    length = WholeCharacterLength(text, sizeof buffer - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  Deliver(windows, window, buffer);
}

std::string TraceCaughtException() {
  try {
    throw; // rethrown only to read what was thrown
  } catch (const std::exception &e) {
    DebugTrace("Exception: %s", e.what());
    return e.what();
  } catch (...) {
    DebugTraceText("Exception");
    return std::string();
  }
}
