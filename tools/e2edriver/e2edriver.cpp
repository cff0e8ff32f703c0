// e2edriver: drives Quarvel's windows for the end-to-end tests as a user would, and checks what they show.
//
//   e2edriver.exe "<step>" ...
//
// A step is words quoted as on a Windows command line. A control, message, key or command is a number or
// one of the names in kNames below: the dialog's controls as res/resource.h names them, Windows' own names,
// CURRENT the current window itself. Every wait has a deadline: [ms] milliseconds where a step takes it.
//   run <exe> [title]                starts the application (a path without spaces; the last one must have
//                                    ended) and waits 15 s for its dialog so titled, which becomes the main
//                                    and the current window
//   attach <title>                   the program whose dialog so titled shows up within 15 s (the one run
//                                    started it): the dialog becomes the main and current window, the
//                                    boxes are that program's; the one run, which must run meanwhile,
//                                    is still the one wait-exit waits for
//   wait-box [ms]                    another dialog of the application (message box, About box, folder
//                                    browser) becomes current; its caption and text are printed (30000 ms)
//   expect-no-box [ms]               no such dialog shows up within ms (default: none now)
//   text <id> <text> [ms]            the control holds text (within ms; default: now)
//   has-line <id> <text> [ms]        one of the edit control's lines is text (within ms; default: now)
//   visible <id> <1|0>               the control is shown, or hidden
//   click <id>                       presses a shown, enabled button (a posted BM_CLICK)
//   post <message> [wparam]          posts to the current window: WM_CLOSE the close box, WM_KEYDOWN
//                                    VK_ESCAPE the Esc key, WM_COMMAND IDCANCEL Cancel, WM_SYSCOMMAND <command>
//   browse-select <folder>           selects folder in the current folder browser and presses OK
//   broadcast-refresh                posts the device manager's refresh message to every window
//   wait-gone [ms]                   the current window closes; the main dialog is current again (10000 ms)
//   wait-exit <code>                 the application ends within 10 s, with code
//   wait-window <title> [ms]         a top-level window so titled exists (15000 ms)
//   settext <title> <text>           sends text with WM_SETTEXT in ANSI, as Quarvel's trace channel does
//   wait-trace <text> <count> [ms]   the trace viewer's records (file E2E_TRACE) come to hold exactly count
//                                    records of text, escaped as the viewer writes it (30000 ms)
// Exit: 0 every step passed, 1 a step failed (its number and reason on stderr), 2 no step given.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

const DWORD kCurrent = 0, kBoxText = 0xFFFF; // the current window itself; a message box's text

// The names a step may give a number. BROWSER_TITLE: the folder browser's text above its tree, the title
// the program gives it.
#define NAMED(name) {L"" #name, DWORD(name)}
const std::pair<const wchar_t *, DWORD> kNames[] = {
    NAMED(IDC_INSTALL), NAMED(IDC_SELECT_INF), NAMED(IDC_STATUS), NAMED(IDC_DETAILS), NAMED(IDOK), NAMED(IDCANCEL),
    {L"CURRENT", kCurrent}, {L"BOX_TEXT", kBoxText}, {L"BROWSER_TITLE", 14146},
    NAMED(WM_CLOSE), NAMED(WM_KEYDOWN), NAMED(WM_COMMAND), NAMED(WM_SYSCOMMAND), NAMED(VK_ESCAPE), NAMED(SC_CLOSE),
};

using Words = std::vector<std::wstring>;

void Check(bool ok, const std::wstring &why) {
  if (!ok)
    throw why;
}

std::string Narrow(const std::wstring &text, UINT codePage = CP_UTF8) {
  std::string out(text.size() * 4 + 1, '\0');
  const int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, &out[0], int(out.size()), nullptr, nullptr);
  out.resize(size > 0 ? size - 1 : 0);
  return out;
}

DWORD Number(const Words &a, size_t index, DWORD fallback) {
  if (index >= a.size())
    return fallback;
  for (const auto &[name, value] : kNames)
    if (a[index] == name)
      return value;
  wchar_t *end = nullptr;
  const DWORD value = wcstoul(a[index].c_str(), &end, 0);
  Check(!a[index].empty() && !*end, L"neither a number nor a name: " + a[index]);
  return value;
}

std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// A box's caption and text, quoted.
std::wstring Shown(HWND box) { return L"\"" + Text(box) + L"\": \"" + Text(GetDlgItem(box, kBoxText)) + L"\""; }

// An edit control keeps its text itself: only a message reads it, which the program must be free to answer.
std::wstring EditText(HWND control) {
  DWORD_PTR length = 0, copied = 0;
  SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  std::wstring text(length + 1, L'\0');
  SendMessageTimeoutW(control, WM_GETTEXT, text.size(), LPARAM(&text[0]), SMTO_ABORTIFHUNG, 5000, &copied);
  return text.substr(0, copied);
}

// Polls check every 20 ms until it gives a non-zero value or ms have passed; its last value.
template <typename F> auto WaitFor(F check, DWORD ms) -> decltype(check()) {
  for (const ULONGLONG deadline = GetTickCount64() + ms;; Sleep(20))
    if (auto value = check(); value || GetTickCount64() >= deadline)
      return value;
}

// How many of the trace viewer's records ("<number>\t<escaped text>" lines) are exactly text.
size_t TraceCount(const std::wstring &text) {
  FILE *file = _wfopen(_wgetenv(L"E2E_TRACE") ? _wgetenv(L"E2E_TRACE") : L"", L"rb");
  Check(file, L"cannot read the trace records (E2E_TRACE)");
  size_t count = 0;
  for (char line[8192]; std::fgets(line, sizeof line, file);)
    if (const char *tab = std::strchr(line, '\t'); tab && tab + 1 == Narrow(text) + "\n")
      ++count;
  std::fclose(file);
  return count;
}

class Driver {
public:
  void Step(const std::wstring &verb, const Words &a) {
    if (verb == L"run") {
      Check(!m_app.hProcess || WaitForSingleObject(m_app.hProcess, 0) == WAIT_OBJECT_0, L"the last one still runs");
      STARTUPINFOW startup = {};
      startup.cb = sizeof startup;
      // No command line: the path (one without spaces) is the command line, and the folder the current one.
      Check(CreateProcessW(a.at(0).c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                           a[0].substr(0, a[0].find_last_of(L'\\')).c_str(), &startup, &m_app),
            L"cannot start it, error " + std::to_wstring(GetLastError()));
      Check(a.size() < 2 || MainDialog(a[1]) == m_app.dwProcessId, L"the dialog is another program's");
    } else if (verb == L"attach") {
      m_app.dwProcessId = MainDialog(a.at(0));
    } else if (verb == L"wait-box") {
      m_current = WaitFor([&] { return Box(); }, Number(a, 0, 30000));
      Check(m_current, L"no box; the status line reads \"" + Text(GetDlgItem(m_main, IDC_STATUS)) + L"\"");
      std::puts(Narrow(L"BOX " + Shown(m_current)).c_str());
    } else if (verb == L"expect-no-box") {
      const HWND box = WaitFor([&] { return Box(); }, Number(a, 0, 0));
      Check(!box, L"a box shows " + Shown(box));
    } else if (verb == L"text") {
      const HWND control = Control(a.at(0));
      Check(WaitFor([&] { return Text(control) == a.at(1); }, Number(a, 2, 0)), L"it holds \"" + Text(control) + L"\"");
    } else if (verb == L"has-line") {
      const HWND control = Control(a.at(0));
      const auto hasLine = [&] {
        return (L"\r\n" + EditText(control) + L"\r\n").find(L"\r\n" + a.at(1) + L"\r\n") != std::wstring::npos;
      };
      Check(WaitFor(hasLine, Number(a, 2, 0)), L"no such line in \"" + EditText(control) + L"\"");
    } else if (verb == L"visible") {
      const bool shown = IsWindowVisible(Control(a.at(0))) != FALSE;
      Check(shown == (Number(a, 1, 1) != 0), shown ? L"it is shown" : L"it is hidden");
    } else if (verb == L"click") {
      const HWND button = Control(a.at(0));
      Check(IsWindowVisible(button) && IsWindowEnabled(button), L"the button is hidden or disabled");
      PostMessageW(button, BM_CLICK, 0, 0); // posted: its handler may run a modal loop
    } else if (verb == L"post") {
      PostMessageW(Control(L"CURRENT"), Number(a, 0, 0), Number(a, 1, 0), 0);
    } else if (verb == L"browse-select") {
      // The selection message carries a pointer the browser reads in its own process: the path goes there first.
      const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, m_app.dwProcessId);
      const SIZE_T bytes = (a.at(0).size() + 1) * sizeof(wchar_t);
      void *remote = process ? VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE) : nullptr;
      Check(remote && WriteProcessMemory(process, remote, a[0].c_str(), bytes, nullptr), L"could not pass " + a[0]);
      Check(SendMessageTimeoutW(m_current, BFFM_SETSELECTIONW, TRUE, LPARAM(remote), SMTO_ABORTIFHUNG, 5000, nullptr),
            L"could not select " + a[0]);
      PostMessageW(GetDlgItem(m_current, IDOK), BM_CLICK, 0, 0);
    } else if (verb == L"broadcast-refresh") {
      // Named as the application names it, in ANSI; posted, as a busy dialog would hold a sent one.
      char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
      DWORD size = sizeof computer;
      GetComputerNameA(computer, &size);
      PostMessageW(HWND_BROADCAST, RegisterWindowMessageA(("DevMgrRefreshOn" + std::string(computer)).c_str()), 0, 0);
    } else if (verb == L"wait-gone") {
      // The window is perhaps destroyed already.
      Check(m_current && WaitFor([&] { return !IsWindowVisible(m_current); }, Number(a, 0, 10000)),
            L"it is still there");
      m_current = m_main;
    } else if (verb == L"wait-exit") {
      DWORD code = 0;
      Check(WaitForSingleObject(m_app.hProcess, 10000) == WAIT_OBJECT_0 && GetExitCodeProcess(m_app.hProcess, &code),
            L"no application ended");
      Check(code == Number(a, 0, 0), L"it ended with " + std::to_wstring(code));
    } else if (verb == L"wait-window") {
      Check(WaitFor([&] { return FindWindowW(nullptr, a.at(0).c_str()); }, Number(a, 1, 15000)), L"no such window");
    } else if (verb == L"settext") {
      Check(SendMessageA(FindWindowW(nullptr, a.at(0).c_str()), WM_SETTEXT, 0, LPARAM(Narrow(a.at(1), CP_ACP).c_str())),
            L"no window took the text");
    } else if (verb == L"wait-trace") {
      size_t found = 0;
      WaitFor([&] { return (found = TraceCount(a.at(0))) >= Number(a, 1, 0); }, Number(a, 2, 30000));
      Check(found == Number(a, 1, 0), L"the trace holds " + std::to_wstring(found) + L" such records");
    } else {
      Check(false, L"no such step");
    }
  }

private:
  // The control of the current window so numbered or named; CURRENT the window itself.
  HWND Control(const std::wstring &id) {
    Check(IsWindow(m_current), L"no current window");
    const DWORD number = Number({id}, 0, 0);
    const HWND control = number == kCurrent ? m_current : GetDlgItem(m_current, int(number));
    Check(control, L"no control " + id);
    return control;
  }

  // Waits for the dialog so titled to show, which becomes the main and the current window; its program.
  DWORD MainDialog(const std::wstring &title) {
    m_main = m_current = WaitFor([&] { return FindWindowW(L"#32770", title.c_str()); }, 15000);
    Check(m_main && WaitFor([&] { return IsWindowVisible(m_main); }, 15000), L"no such dialog shows");
    DWORD program = 0;
    GetWindowThreadProcessId(m_main, &program);
    return program;
  }

  // A shown dialog of the running application other than its main one, or null.
  HWND Box() {
    Check(WaitForSingleObject(m_app.hProcess, 0) == WAIT_TIMEOUT, L"the application is not running");
    DWORD program = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr));)
      if (w != m_main && GetWindowThreadProcessId(w, &program) && program == m_app.dwProcessId && IsWindowVisible(w))
        return w;
    return nullptr;
  }

  PROCESS_INFORMATION m_app = {}; // its handles live as long as this process
  HWND m_main = nullptr;          // the application's dialog, from run
  HWND m_current = nullptr;       // the window the steps act on
};

} // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0); // the log is whole even when a step hangs and the run is killed
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) {
    std::fputs("usage: e2edriver.exe \"<step>\" ...\n", stderr);
    return 2;
  }
  Driver driver;
  for (int i = 1; i < argc; ++i) {
    std::printf("[%d] %s\n", i, Narrow(argv[i]).c_str());
    int count = 0;
    LPWSTR *words = *argv[i] ? CommandLineToArgvW(argv[i], &count) : nullptr; // "" would give our own path
    try {
      Check(words, L"no step");
      driver.Step(words[0], Words(words + 1, words + count));
    } catch (const std::wstring &why) {
      std::fprintf(stderr, "e2edriver: step %d (%s) failed: %s\n", i, Narrow(argv[i]).c_str(), Narrow(why).c_str());
      return 1;
    } catch (const std::out_of_range &) {
      std::fprintf(stderr, "e2edriver: step %d (%s) lacks a word\n", i, Narrow(argv[i]).c_str());
      return 1;
    }
  }
  std::puts("e2edriver: all steps passed");
  return 0;
}
