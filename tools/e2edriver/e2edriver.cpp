// e2edriver: drives Quarvel's windows for the end-to-end tests as a user would, and checks what they show.
//
//   e2edriver.exe "<step>" ...
//
// A step is words quoted as on a Windows command line. Control IDs are numbers: 0 is the current window
// itself, 65535 a message box's text. Every wait has a deadline in milliseconds ([ms]).
//   run <exe> <title> [ms]           starts the application (the last one must have ended) and waits for
//                                    its dialog so titled, which becomes the main and the current window
//   attach <title> [ms]              the program whose dialog so titled shows up (another program started
//                                    it) becomes the application, the dialog the main and current window
//   wait-box [ms]                    another dialog of the application (message box, About box, folder
//                                    browser) becomes current; its caption and text are printed
//   expect-no-box [ms]               no such dialog shows up within ms (default: none now)
//   text <id> <text> [ms]            the control holds text (within ms; default: now)
//   visible <id> <1|0>               the control is shown, or hidden
//   click <id>                       presses a shown, enabled button (a posted BM_CLICK)
//   post <message> [wparam]          posts to the current window: 0x10 the close box, 0x100 0x1b the Esc
//                                    key, 0x111 2 Cancel, 0x112 a system command
//   browse-select <folder>           selects folder in the current folder browser and presses OK
//   broadcast-refresh                posts the device manager's refresh message to every window
//   wait-gone [ms]                   the current window closes; the main dialog is current again
//   wait-exit <code> [ms]            the application ends with code
//   wait-window <title> [ms]         a top-level window so titled exists
//   settext <title> <text>           sends text with WM_SETTEXT in ANSI, as Quarvel's trace channel does
//   wait-trace <text> <count> [ms]   the trace viewer's records (file E2E_TRACE) come to hold exactly count
//                                    records of text, escaped as the viewer writes it (default: 30000 ms)
// Exit: 0 every step passed, 1 a step failed (its number and reason on stderr), 2 no step given.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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

void Print(const std::wstring &line) {
  std::printf("%s\n", Narrow(line).c_str());
  std::fflush(stdout);
}

DWORD Number(const Words &a, size_t index, DWORD fallback) {
  if (index >= a.size())
    return fallback;
  wchar_t *end = nullptr;
  const DWORD value = wcstoul(a[index].c_str(), &end, 0);
  Check(!a[index].empty() && !*end, L"not a number: " + a[index]);
  return value;
}

std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
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
    count += std::strchr(line, '\t') && std::strchr(line, '\t') + 1 == Narrow(text) + "\n";
  std::fclose(file);
  return count;
}

class Driver {
public:
  void Step(const std::wstring &verb, const Words &a) {
    if (verb == L"run") {
      Check(!m_app.hProcess || WaitForSingleObject(m_app.hProcess, 0) == WAIT_OBJECT_0, L"the last one still runs");
      std::wstring commandLine = L"\"" + a.at(0) + L"\"";
      STARTUPINFOW startup = {};
      startup.cb = sizeof startup;
      Check(CreateProcessW(a[0].c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                           a[0].substr(0, a[0].find_last_of(L'\\')).c_str(), &startup, &m_app),
            L"cannot start it, error " + std::to_wstring(GetLastError()));
      if (a.size() > 1) {
        m_main = m_current =
            WaitFor([&] { return AppDialog([&](HWND w) { return Text(w) == a[1]; }); }, Number(a, 2, 15000));
        Check(m_main, L"no such dialog");
      }
    } else if (verb == L"attach") {
      const HWND dialog = WaitFor([&] { return FindWindowW(L"#32770", a.at(0).c_str()); }, Number(a, 1, 15000));
      Check(dialog, L"no such dialog");
      GetWindowThreadProcessId(dialog, &m_app.dwProcessId);
      m_app.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, m_app.dwProcessId);
      m_main = m_current = dialog;
    } else if (verb == L"wait-box") {
      m_current = WaitFor([&] { return Box(); }, Number(a, 0, 30000));
      Check(m_current, L"no box; the status line reads \"" + Text(GetDlgItem(m_main, 1007)) + L"\"");
      Print(L"BOX \"" + Text(m_current) + L"\": \"" + Text(GetDlgItem(m_current, 0xFFFF)) + L"\"");
    } else if (verb == L"expect-no-box") {
      const HWND box = WaitFor([&] { return Box(); }, Number(a, 0, 0));
      Check(!box, L"a box shows \"" + Text(box) + L"\": \"" + Text(GetDlgItem(box, 0xFFFF)) + L"\"");
    } else if (verb == L"text") {
      const HWND control = Control(a.at(0));
      Check(WaitFor([&] { return Text(control) == a.at(1); }, Number(a, 2, 0)), L"it holds \"" + Text(control) + L"\"");
    } else if (verb == L"visible") {
      Check(!IsWindowVisible(Control(a.at(0))) == !Number(a, 1, 1), L"its visibility is not that");
    } else if (verb == L"click") {
      const HWND button = Control(a.at(0));
      Check(IsWindowVisible(button) && IsWindowEnabled(button), L"the button is hidden or disabled");
      PostMessageW(button, BM_CLICK, 0, 0); // posted: its handler may run a modal loop
    } else if (verb == L"post") {
      PostMessageW(Control(L"0"), Number(a, 0, 0), Number(a, 1, 0), 0);
    } else if (verb == L"browse-select") {
      BrowseSelect(a.at(0));
    } else if (verb == L"broadcast-refresh") {
      // Named as the application names it, in ANSI; posted, as a busy dialog would hold a sent one.
      char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
      DWORD size = sizeof computer;
      GetComputerNameA(computer, &size);
      PostMessageW(HWND_BROADCAST, RegisterWindowMessageA(("DevMgrRefreshOn" + std::string(computer)).c_str()), 0, 0);
    } else if (verb == L"wait-gone") {
      const HWND window = m_current; // perhaps gone already
      Check(window && WaitFor([&] { return !IsWindowVisible(window); }, Number(a, 0, 10000)), L"it is still there");
      m_current = m_main;
    } else if (verb == L"wait-exit") {
      DWORD code = 0;
      Check(WaitForSingleObject(m_app.hProcess, Number(a, 1, 10000)) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(m_app.hProcess, &code),
            L"no application ended");
      Check(code == Number(a, 0, 0), L"it ended with " + std::to_wstring(code));
    } else if (verb == L"wait-window") {
      Check(WaitFor([&] { return FindWindowW(nullptr, a.at(0).c_str()); }, Number(a, 1, 15000)), L"no such window");
    } else if (verb == L"settext") {
      const HWND window = FindWindowW(nullptr, a.at(0).c_str());
      const std::string text = Narrow(a.at(1), CP_ACP);
      DWORD_PTR result = 0;
      Check(window && SendMessageTimeoutA(window, WM_SETTEXT, 0, LPARAM(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result),
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
  // The control of the current window so numbered; "0" the window itself.
  HWND Control(const std::wstring &id) {
    Check(IsWindow(m_current), L"no current window");
    const HWND control = id == L"0" ? m_current : GetDlgItem(m_current, int(Number({id}, 0, 0)));
    Check(control, L"no control " + id);
    return control;
  }

  // The first shown dialog of the running application that accept takes, or null.
  template <typename Accept> HWND AppDialog(Accept accept) {
    Check(WaitForSingleObject(m_app.hProcess, 0) == WAIT_TIMEOUT, L"the application is not running");
    wchar_t name[8] = {};
    DWORD pid = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, nullptr));)
      if (GetWindowThreadProcessId(w, &pid) && pid == m_app.dwProcessId && IsWindowVisible(w) &&
          GetClassNameW(w, name, 8) && std::wstring(name) == L"#32770" && accept(w))
        return w;
    return nullptr;
  }

  HWND Box() {
    return AppDialog([&](HWND w) { return w != m_main; });
  }

  void BrowseSelect(const std::wstring &path) {
    // The selection message carries a pointer the browser reads in its own process: the path goes there first.
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, m_app.dwProcessId);
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void *remote = process ? VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    DWORD_PTR result = 0;
    Check(remote && WriteProcessMemory(process, remote, path.c_str(), bytes, nullptr) &&
              SendMessageTimeoutW(m_current, BFFM_SETSELECTIONW, TRUE, LPARAM(remote), SMTO_ABORTIFHUNG, 5000, &result),
          L"could not select " + path);
    PostMessageW(GetDlgItem(m_current, IDOK), BM_CLICK, 0, 0);
  }

  PROCESS_INFORMATION m_app = {}; // its handles live as long as this process
  HWND m_main = nullptr;          // the application's dialog, from run
  HWND m_current = nullptr;       // the window the steps act on
};

} // namespace

int main() {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2)
    return std::fputs("usage: e2edriver.exe \"<step>\" ...\n", stderr), 2;
  Driver driver;
  for (int i = 1; i < argc; ++i) {
    Print(L"[" + std::to_wstring(i) + L"] " + argv[i]);
    int count = 0;
    LPWSTR *words = *argv[i] ? CommandLineToArgvW(argv[i], &count) : nullptr; // "" would give our own path
    try {
      Check(words, L"no step");
      driver.Step(words[0], Words(words + 1, words + count));
    } catch (const std::wstring &why) {
      return std::fprintf(stderr, "e2edriver: step %d (%s) failed: %s\n", i, Narrow(argv[i]).c_str(),
                          Narrow(why).c_str()),
             1;
    } catch (const std::out_of_range &) {
      return std::fprintf(stderr, "e2edriver: step %d (%s) lacks a word\n", i, Narrow(argv[i]).c_str()), 1;
    }
  }
  Print(L"e2edriver: all steps passed");
  return 0;
}
