// debughelper: the trace viewer. Its top-level window is titled "DebugHelper ", the title that
// Quarvel's trace channel looks for; every text set on it with WM_SETTEXT becomes one entry of the
// list below and, with a file named on the command line, one record appended to that file.
//
//   debughelper.exe [--hidden] [--watch-devices <hwid-prefix> <devices-file>] [capture-file]
//
// Texts arrive in the sender's ANSI code page; the list and the file hold them converted to
// Unicode (the file as UTF-8, one record per text, see TraceRecord.h). With --watch-devices, each
// text also appends to devices-file the present devices whose hardware ID begins with the prefix,
// under the text's sequence number (see DeviceWatch.h). Exits on WM_CLOSE.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "DeviceWatch.h"
#include "TraceRecord.h"

namespace {

const char kWindowClass[] = "QuarvelDebugHelper";
const char kWindowTitle[] = "DebugHelper "; // the trailing space is part of the title
const int kListId = 100;
const LRESULT kMaxEntries = 5000; // the list drops its oldest entries beyond this; the file keeps all

struct Viewer {
  HWND list = nullptr;
  FILE *capture = nullptr;
  DeviceWatch *devices = nullptr;
  unsigned long received = 0;
};
Viewer g_viewer;

std::wstring Widen(const std::string &text, UINT codePage) {
  if (text.empty())
    return std::wstring();
  int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Utf8(const std::wstring &wide) {
  if (wide.empty())
    return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
  return text;
}

void Receive(const char *ansiText) {
  const std::string utf8 = Utf8(Widen(ansiText ? ansiText : "", CP_ACP));
  ++g_viewer.received;
  if (g_viewer.capture) {
    const std::string record = FormatTraceRecord(g_viewer.received, utf8);
    std::fwrite(record.data(), 1, record.size(), g_viewer.capture);
    std::fflush(g_viewer.capture); // a test reads the file while we run, and we may be killed
  }
  if (g_viewer.devices)
    g_viewer.devices->Record(g_viewer.received);
  if (g_viewer.list) {
    const std::wstring entry = Widen(std::to_string(g_viewer.received) + "  " + EscapeTraceText(utf8), CP_UTF8);
    SendMessageW(g_viewer.list, WM_SETREDRAW, FALSE, 0);
    while (SendMessageW(g_viewer.list, LB_GETCOUNT, 0, 0) >= kMaxEntries)
      SendMessageW(g_viewer.list, LB_DELETESTRING, 0, 0);
    LRESULT index = SendMessageW(g_viewer.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageW(g_viewer.list, WM_SETREDRAW, TRUE, 0);
    if (index >= 0)
      SendMessageW(g_viewer.list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  }
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    g_viewer.list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT |
                                        LBS_NOSEL,
                                    0, 0, 0, 0, window, reinterpret_cast<HMENU>(kListId),
                                    reinterpret_cast<CREATESTRUCTA *>(lParam)->hInstance, nullptr);
    SendMessageW(g_viewer.list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageW(g_viewer.list, LB_SETHORIZONTALEXTENT, 4000, 0);
    return 0;
  case WM_SIZE:
    MoveWindow(g_viewer.list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return 0;
  case WM_SETTEXT:
    // Taken as a trace text, never passed on: the default handling would rename this window and
    // the sender's next lookup by title would miss it.
    Receive(reinterpret_cast<const char *>(lParam));
    return TRUE;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  bool hidden = false;
  const wchar_t *capturePath = nullptr;
  const wchar_t *watchPrefix = nullptr;
  const wchar_t *devicesPath = nullptr;
  for (int i = 1; argv && i < argc; ++i) {
    if (lstrcmpW(argv[i], L"--hidden") == 0)
      hidden = true;
    else if (lstrcmpW(argv[i], L"--watch-devices") == 0 && i + 2 < argc && !watchPrefix) {
      watchPrefix = argv[++i];
      devicesPath = argv[++i];
    } else if (!capturePath)
      capturePath = argv[i];
    else
      return 2;
  }
  if (capturePath) {
    g_viewer.capture = _wfopen(capturePath, L"ab");
    if (!g_viewer.capture)
      return 3;
  }
  FILE *devicesFile = nullptr;
  if (devicesPath) {
    devicesFile = _wfopen(devicesPath, L"ab");
    if (!devicesFile)
      return 3;
  }
  DeviceWatch devices(Utf8(watchPrefix ? watchPrefix : L""), devicesFile);
  if (devicesFile)
    g_viewer.devices = &devices;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ViewerProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassA(&windowClass))
    return 4;
  // Bottom left, out of the way of a centred dialog.
  const int width = 640, height = 260;
  const int top = GetSystemMetrics(SM_CYSCREEN) - height;
  HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, 0, top > 0 ? top : 0, width,
                                height, nullptr, nullptr, instance, nullptr);
  if (!window)
    return 4;
  ShowWindow(window, hidden ? SW_HIDE : (showCommand ? showCommand : SW_SHOWNOACTIVATE));

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (g_viewer.capture)
    std::fclose(g_viewer.capture);
  g_viewer.devices = nullptr;
  if (devicesFile)
    std::fclose(devicesFile);
  LocalFree(argv);
  return 0;
}
