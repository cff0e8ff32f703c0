// bench_timer: starts one program and times it, printing one line
//   result ms=<milliseconds> outcome=<success|failure|timeout|error> exit=<code> detail=<text>
//
//   bench_timer.exe install <program.exe>  from the click on Install, posted once the dialog is idle,
//                                          to the outcome shown
//   bench_timer.exe startup <program.exe>  from CreateProcess to its first visible top-level window
//
// An install program (Quarvel.exe or a baseline) shows a dialog captioned "Install USB Driver" whose
// button 1001 starts the work; the clock stops at the first poll that sees the program's visible box
// captioned "Quarvel" (or Quarvel.exe's failure line). Polls are 1 ms apart (Sleep(1)); the clock is
// QueryPerformanceCounter. Exit code: 0 measured, 1 the run failed, 2 bad usage.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const DWORD kStartTimeout = 30000;
const DWORD kWorkTimeout = 120000;
// After the program is ready, a pause so that its start-up painting is over before the clock runs.
const DWORD kSettle = 300;
const int kStatusControl = 1007;
const int kInstallButton = 1001;

LARGE_INTEGER g_frequency;

double Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

std::string Utf8(const std::wstring &text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  return out;
}

// Server-side text: never a message, so it does not wait for a busy program.
std::wstring TextOf(HWND window) {
  wchar_t buffer[512] = {};
  if (window)
    GetWindowTextW(window, buffer, 512);
  return buffer;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

struct FirstWindow {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
  FirstWindow *search = reinterpret_cast<FirstWindow *>(param);
  if (IsWindowVisible(window) && ProcessOf(window) == search->pid) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleTopLevelWindowOf(DWORD pid) {
  FirstWindow search = {pid, nullptr};
  EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND DoneBoxOf(DWORD pid) {
  HWND box = FindWindowW(L"#32770", L"Quarvel");
  return box && IsWindowVisible(box) && ProcessOf(box) == pid ? box : nullptr;
}

bool Start(const std::wstring &program, PROCESS_INFORMATION &process) {
  std::wstring directory = program.substr(0, program.find_last_of(L'\\'));
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  return CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                        &startup, &process) != FALSE;
}

int Report(double ms, const char *outcome, PROCESS_INFORMATION &process, const std::wstring &detail) {
  DWORD code = 259;
  if (process.hProcess) {
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
      TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &code);
  }
  std::printf("result ms=%.3f outcome=%s exit=%lu detail=%s\n", ms, outcome, code, Utf8(detail).c_str());
  std::fflush(stdout);
  return std::string(outcome) == "success" && code == 0 ? 0 : 1;
}

int Fail(PROCESS_INFORMATION &process, const wchar_t *why) {
  if (process.hProcess)
    TerminateProcess(process.hProcess, 98);
  return Report(0, "error", process, why);
}

// Polls until the program shows its outcome; true with the box (or the failure line's text). A poll
// must cost little, as it takes the same core as the program: until the dialog is disabled (which a
// box owned by it does just before it shows) only the dialog's style and the status line's text
// are read, one server request each; the box itself is looked for after that.
bool WaitForOutcome(DWORD pid, HWND dialog, HWND &box, std::wstring &failureLine) {
  const double deadline = Now() + kWorkTimeout;
  // A program without a status line has its button's text read instead, so that every program's
  // polls cost the same.
  HWND status = GetDlgItem(dialog, kStatusControl);
  HWND polled = status ? status : GetDlgItem(dialog, kInstallButton);
  while (Now() < deadline) {
    if (!IsWindowEnabled(dialog) && (box = DoneBoxOf(pid)))
      return true;
    const std::wstring text = TextOf(polled);
    if (status && !text.empty()) {
      failureLine = text;
      return true;
    }
    Sleep(1);
  }
  return false;
}

// Times from the click to the outcome, then ends the program through its box's OK.
int TimeInstall(const std::wstring &program) {
  PROCESS_INFORMATION process = {};
  if (!Start(program, process))
    return Fail(process, L"cannot start the program");

  HWND dialog = nullptr;
  const double deadline = Now() + kStartTimeout;
  while (Now() < deadline) {
    dialog = FindWindowW(L"#32770", L"Install USB Driver");
    if (dialog && IsWindowVisible(dialog) && ProcessOf(dialog) == process.dwProcessId)
      break;
    dialog = nullptr;
    Sleep(1);
  }
  HWND button = dialog ? GetDlgItem(dialog, kInstallButton) : nullptr;
  if (!button || !IsWindowEnabled(button))
    return Fail(process, L"no Install button");
  WaitForInputIdle(process.hProcess, kStartTimeout);
  Sleep(kSettle);

  const double start = Now();
  PostMessageW(button, BM_CLICK, 0, 0);
  HWND box = nullptr;
  std::wstring failureLine;
  const bool shown = WaitForOutcome(process.dwProcessId, dialog, box, failureLine);
  const double elapsed = Now() - start;

  if (!shown) {
    TerminateProcess(process.hProcess, 97);
    return Report(elapsed, "timeout", process, L"");
  }
  if (!box) {
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    return Report(elapsed, "failure", process, failureLine);
  }
  const std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  return Report(elapsed, "success", process, text);
}

int TimeStartup(const std::wstring &program) {
  PROCESS_INFORMATION process = {};
  const double start = Now();
  if (!Start(program, process))
    return Fail(process, L"cannot start the program");
  HWND window = nullptr;
  const double deadline = start + kStartTimeout;
  while (!(window = VisibleTopLevelWindowOf(process.dwProcessId)) && Now() < deadline)
    Sleep(1);
  const double elapsed = Now() - start;
  if (!window) {
    TerminateProcess(process.hProcess, 97);
    return Report(elapsed, "timeout", process, L"");
  }
  const std::wstring title = TextOf(window);
  // Let it finish starting before it is asked to close.
  WaitForInputIdle(process.hProcess, kStartTimeout);
  PostMessageW(window, WM_CLOSE, 0, 0);
  return Report(elapsed, "success", process, title);
}

} // namespace

int wmain(int argc, wchar_t **argv) {
  QueryPerformanceFrequency(&g_frequency);
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_timer.exe install|startup <program.exe>\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  if (mode == L"install")
    return TimeInstall(argv[2]);
  if (mode == L"startup")
    return TimeStartup(argv[2]);
  std::fprintf(stderr, "bench_timer: unknown mode\n");
  return 2;
}
