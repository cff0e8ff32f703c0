// e2edriver: drives the application's windows for the end-to-end tests as a user would, and checks
// what they show. Every wait has a deadline (milliseconds).
//
//   e2edriver.exe <script> [NAME=value ...]          e2edriver.exe -e "<step>" ... [NAME=value ...]
//
// One step per line: 'single quotes' keep text as it stands, "double quotes" take \" \\ \n \r \t
// \uXXXX, ${NAME} is replaced (NAME=value words set it), # starts a comment. The steps are listed in
// Steps() below; control IDs are numbers, 0 the current window itself, 65535 a message box's text.
// Exit codes: 0 every step passed, 1 a step failed (the reason is on stderr), 2 bad usage or script.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::wstring>;
struct Failed { std::wstring why; };
[[noreturn]] void Fail(const std::wstring &why) { throw Failed{why}; }

std::string Narrow(const std::wstring &text, UINT codePage = CP_UTF8) {
  std::string out(text.size() * 4 + 1, '\0');
  out.resize(WideCharToMultiByte(codePage, 0, text.c_str(), -1, &out[0], int(out.size()), nullptr, nullptr) - 1);
  return out;
}

std::wstring Wide(const std::string &text) {
  std::wstring out(text.size() + 1, L'\0');
  out.resize(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], int(out.size())) - 1);
  return out;
}

void Print(const std::wstring &line) {
  std::fputs((Narrow(line) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

bool Blank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }

// One script line into words; false on an unclosed quote or ${.
bool Split(const std::wstring &line, Words &words) {
  for (size_t i = 0;;) {
    while (i < line.size() && Blank(line[i]))
      ++i;
    if (i >= line.size() || line[i] == L'#')
      return true;
    std::wstring word;
    wchar_t quote = 0;
    for (; i < line.size() && (quote || !Blank(line[i])); ++i) {
      const wchar_t c = line[i];
      if (c == quote) {
        quote = 0;
      } else if (!quote && (c == L'\'' || c == L'"')) {
        quote = c;
      } else if (quote != L'\'' && line.compare(i, 2, L"${") == 0) {
        const size_t close = line.find(L'}', i);
        if (close == std::wstring::npos)
          return false;
        wchar_t value[4096] = {};
        GetEnvironmentVariableW(line.substr(i + 2, close - i - 2).c_str(), value, 4096);
        word += value;
        i = close;
      } else if (quote == L'"' && c == L'\\' && i + 1 < line.size()) {
        const wchar_t e = line[++i];
        const std::wstring plain = L"nrt\"\\", meant = L"\n\r\t\"\\";
        if (plain.find(e) != std::wstring::npos) {
          word += meant[plain.find(e)];
        } else if (e == L'u') {
          word += wchar_t(wcstoul(line.substr(i + 1, 4).c_str(), nullptr, 16));
          i += 4;
        } else {
          word += L'\\';
          --i;
        }
      } else {
        word += c;
      }
    }
    if (quote)
      return false;
    words.push_back(word);
  }
}

DWORD Number(const Words &args, size_t index, DWORD fallback) {
  if (index >= args.size())
    return fallback;
  wchar_t *end = nullptr;
  const DWORD value = wcstoul(args[index].c_str(), &end, 0);
  if (args[index].empty() || *end)
    Fail(L"not a number: " + args[index]);
  return value;
}

std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

DWORD Pid(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

bool VisibleDialog(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return IsWindowVisible(window) && std::wstring(name) == L"#32770";
}

using Search = std::pair<const std::function<bool(HWND)> *, HWND>;
BOOL CALLBACK Visit(HWND window, LPARAM context) {
  Search *search = reinterpret_cast<Search *>(context);
  return (*search->first)(window) ? (search->second = window, FALSE) : TRUE;
}

HWND FindTop(const std::function<bool(HWND)> &accept) {
  Search search(&accept, nullptr);
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// Polls check every 20 ms until it gives a non-zero value or ms pass; the last value.
template <typename Check> auto WaitFor(Check check, DWORD ms) -> decltype(check()) {
  for (const ULONGLONG deadline = GetTickCount64() + ms;; Sleep(20)) {
    auto value = check();
    if (value || GetTickCount64() >= deadline)
      return value;
  }
}

HWND Titled(const std::wstring &title) {
  HWND window = FindWindowW(nullptr, title.c_str());
  return window ? window : (Fail(L"no window \"" + title + L"\""), nullptr);
}

// The trace viewer's records (E2E_TRACE) that are exactly text, as the viewer escapes them.
size_t TraceCount(const std::wstring &text) {
  wchar_t path[MAX_PATH] = {};
  GetEnvironmentVariableW(L"E2E_TRACE", path, MAX_PATH);
  FILE *file = _wfopen(path, L"rb");
  if (!file)
    Fail(L"cannot read the trace capture (E2E_TRACE)");
  char line[8192];
  size_t count = 0;
  while (std::fgets(line, sizeof line, file)) {
    const char *tab = std::strchr(line, '\t');
    count += tab && std::string(tab + 1) == Narrow(text) + "\n";
  }
  std::fclose(file);
  return count;
}

class Driver {
public:
  struct Step {
    const wchar_t *name;
    size_t minArgs;
    std::function<void(const Words &)> run;
  };

  std::vector<Step> Steps() {
    return {
        {L"run", 1, [&](const Words &a) { Run(a[0]); }},
        {L"wait-dialog", 1, [&](const Words &a) { WaitDialog(a[0], Number(a, 1, 15000)); }},
        {L"wait-window", 1, [&](const Words &a) {
           if (!WaitFor([&] { return FindWindowW(nullptr, a[0].c_str()); }, Number(a, 1, 15000)))
             Fail(L"no window \"" + a[0] + L"\"");
         }},
        {L"use-main", 0, [&](const Words &) { m_current = m_main; }},
        // wait-owned [title|*] [ms]: a dialog the main one owns (a message box) becomes current.
        {L"wait-owned", 0, [&](const Words &a) {
           const bool any = a.empty() || a[0] == L"*";
           if (!(m_current = WaitFor([&] { return Owned(any ? nullptr : &a[0]); }, Number(a, 1, 30000))))
             Fail(L"no owned dialog");
         }},
        {L"expect-no-owned", 1, [&](const Words &a) {
           if (HWND owned = WaitFor([&] { return Owned(nullptr); }, Number(a, 0, 0)))
             Fail(L"unexpected dialog \"" + Text(owned) + L"\": " + Text(GetDlgItem(owned, 0xFFFF)));
         }},
        // wait-outcome [ms]: after Install, the outcome box (it becomes current) or the failure line.
        {L"wait-outcome", 0, [&](const Words &a) { WaitOutcome(Number(a, 0, 30000)); }},
        {L"wait-browser", 0, [&](const Words &a) {
           m_current = WaitFor([&] {
             return FindTop([&](HWND w) { return Pid(w) == m_app.dwProcessId && VisibleDialog(w) &&
                                                 FindWindowExW(w, nullptr, L"SysTreeView32", nullptr); });
           }, Number(a, 0, 15000));
           if (!m_current)
             Fail(L"no folder browser");
         }},
        {L"browse-select", 1, [&](const Words &a) { BrowseSelect(a[0]); }},
        {L"click", 1, [&](const Words &a) {
           HWND button = Control(a[0]);
           if (!IsWindowVisible(button) || !IsWindowEnabled(button))
             Fail(L"button " + a[0] + L" is hidden or disabled");
           PostMessageW(button, BM_CLICK, 0, 0); // posted: its handler may run a modal loop
         }},
        {L"expect-text", 2, [&](const Words &a) {
           if (Text(Control(a[0])) != a[1])
             Fail(L"control " + a[0] + L" holds \"" + Text(Control(a[0])) + L"\"");
         }},
        {L"expect-visible", 1, [&](const Words &a) { if (!IsWindowVisible(Control(a[0]))) Fail(L"hidden"); }},
        {L"expect-hidden", 1, [&](const Words &a) { if (IsWindowVisible(Control(a[0]))) Fail(L"visible"); }},
        {L"key-esc", 0, [&](const Words &) { KeyEscape(); }},
        // post <message> [wparam]: e.g. 0x10 (the close box), 0x111 2 (Cancel), 0x112 <system command>.
        {L"post", 1, [&](const Words &a) { PostMessageW(Current(), Number(a, 0, 0), Number(a, 1, 0), 0); }},
        {L"broadcast-refresh", 0, [&](const Words &) {
           // Named as the application names it, in ANSI; posted, as a busy dialog would hold a sent one.
           char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
           DWORD size = sizeof computer;
           GetComputerNameA(computer, &size);
           PostMessageW(HWND_BROADCAST, RegisterWindowMessageA(("DevMgrRefreshOn" + std::string(computer)).c_str()), 0, 0);
         }},
        {L"wait-gone", 0, [&](const Words &a) {
           if (!m_current || !WaitFor([&] { return !IsWindow(m_current) || !IsWindowVisible(m_current); },
                                      Number(a, 0, 10000)))
             Fail(L"window \"" + Text(m_current) + L"\" still there");
         }},
        {L"wait-exit", 0, [&](const Words &a) {
           DWORD code = 0;
           if (!m_app.hProcess || WaitForSingleObject(m_app.hProcess, Number(a, 0, 10000)) != WAIT_OBJECT_0)
             Fail(L"the application still runs");
           GetExitCodeProcess(m_app.hProcess, &code);
           Print(L"exit code " + std::to_wstring(code));
           if (a.size() > 1 && code != Number(a, 1, 0))
             Fail(L"exit code " + std::to_wstring(code));
         }},
        // settext <title> <text>: WM_SETTEXT in ANSI, as the application's trace channel sends it.
        {L"settext", 2, [&](const Words &a) {
           DWORD_PTR result = 0;
           if (!SendMessageTimeoutA(Titled(a[0]), WM_SETTEXT, 0, LPARAM(Narrow(a[1], CP_ACP).c_str()),
                                    SMTO_ABORTIFHUNG, 5000, &result))
             Fail(L"WM_SETTEXT was not answered");
         }},
        {L"close-window", 1, [&](const Words &a) { PostMessageW(Titled(a[0]), WM_CLOSE, 0, 0); }},
        // wait-trace <text> [count] [ms]: the capture holds at least count records exactly text.
        {L"wait-trace", 1, [&](const Words &a) {
           if (!WaitFor([&] { return TraceCount(a[0]) >= Number(a, 1, 1); }, Number(a, 2, 30000)))
             Fail(L"the trace holds " + std::to_wstring(TraceCount(a[0])) + L" such records");
         }},
        {L"expect-trace-count", 2, [&](const Words &a) {
           if (TraceCount(a[0]) != Number(a, 1, 0))
             Fail(L"the trace holds " + std::to_wstring(TraceCount(a[0])) + L" such records");
         }},
        {L"snapshot", 1, [&](const Words &a) { Snapshot(a[0]); }},
    };
  }

  ~Driver() { Release(); }

private:
  void Release() {
    if (m_app.hProcess)
      CloseHandle(m_app.hProcess), CloseHandle(m_app.hThread);
    m_app = PROCESS_INFORMATION();
    m_main = m_current = nullptr;
  }

  HWND Current() {
    if (!m_current || !IsWindow(m_current))
      Fail(L"no current window");
    return m_current;
  }

  HWND Control(const std::wstring &id) {
    HWND control = id == L"0" ? Current() : GetDlgItem(Current(), int(Number(Words{id}, 0, 0)));
    return control ? control : (Fail(L"no control " + id), nullptr);
  }

  HWND Owned(const std::wstring *title) {
    if (!IsWindow(m_main))
      Fail(L"the main dialog is gone");
    return FindTop([&](HWND w) { return GetWindow(w, GW_OWNER) == m_main && VisibleDialog(w) && (!title || Text(w) == *title); });
  }

  void Run(const std::wstring &exe) {
    // One application at a time: a later run starts the next once the last has ended.
    if (m_app.hProcess && WaitForSingleObject(m_app.hProcess, 0) != WAIT_OBJECT_0)
      Fail(L"the application started earlier still runs");
    Release();
    std::wstring commandLine = L"\"" + exe + L"\"";
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &m_app))
      Fail(L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")");
  }

  void WaitDialog(const std::wstring &title, DWORD ms) {
    m_main = m_current = WaitFor([&]() -> HWND {
      if (WaitForSingleObject(m_app.hProcess, 0) == WAIT_OBJECT_0)
        Fail(L"the application ended before showing its dialog");
      return FindTop([&](HWND w) { return Pid(w) == m_app.dwProcessId && VisibleDialog(w) && Text(w) == title; });
    }, ms);
    if (!m_main)
      Fail(L"no dialog \"" + title + L"\"");
  }

  void WaitOutcome(DWORD ms) {
    // Success shows a box owned by the dialog; failure shows the folder button, then the status line.
    HWND outcome = WaitFor([&]() -> HWND {
      if (HWND box = Owned(nullptr))
        return box;
      return IsWindowVisible(GetDlgItem(m_main, 1003)) && !Text(GetDlgItem(m_main, 1007)).empty() ? m_main : nullptr;
    }, ms);
    if (!outcome)
      Fail(L"no outcome");
    Print(outcome == m_main ? L"OUTCOME failure: status \"" + Text(GetDlgItem(m_main, 1007)) + L"\""
                            : L"OUTCOME box \"" + Text(outcome) + L"\": \"" + Text(GetDlgItem(outcome, 0xFFFF)) + L"\"");
    m_current = outcome;
  }

  void BrowseSelect(const std::wstring &path) {
    // The selection message carries a pointer the browser reads in its own process: the path goes there first.
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, Pid(Current()));
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void *remote = process ? VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    DWORD_PTR result = 0;
    const bool selected = remote && WriteProcessMemory(process, remote, path.c_str(), bytes, nullptr) &&
                          SendMessageTimeoutW(m_current, BFFM_SETSELECTIONW, TRUE, LPARAM(remote), SMTO_ABORTIFHUNG, 5000, &result);
    if (remote)
      VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process)
      CloseHandle(process);
    HWND ok = GetDlgItem(m_current, IDOK);
    if (!selected || !IsWindowEnabled(ok))
      Fail(L"could not select " + path);
    PostMessageW(ok, BM_CLICK, 0, 0);
  }

  void KeyEscape() {
    // To the focused control, as a keyboard would: the dialog's own loop turns Esc into Cancel.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = Current();
    if (GetGUIThreadInfo(GetWindowThreadProcessId(target, nullptr), &info) && IsChild(target, info.hwndFocus))
      target = info.hwndFocus;
    const LPARAM scan = LPARAM(MapVirtualKeyW(VK_ESCAPE, 0)) << 16 | 1;
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, scan);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, scan | LPARAM(3) << 30);
  }

  void Snapshot(const std::wstring &name) {
    // The runner watches E2E_SNAPSHOTS for <name>.request, shoots the screen and deletes the file.
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"E2E_SNAPSHOTS", folder, MAX_PATH))
      return;
    for (HWND window : {m_main, m_current}) // painted first, when their thread answers
      if (DWORD_PTR r; window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(200);
    const std::wstring request = std::wstring(folder) + L"\\" + name + L".request";
    CloseHandle(CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!WaitFor([&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, 15000))
      Fail(L"nobody took snapshot " + name);
  }

  PROCESS_INFORMATION m_app = {};
  HWND m_main = nullptr;    // the application's dialog, from wait-dialog
  HWND m_current = nullptr; // the window the steps act on
};

} // namespace

int main() {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::pair<std::wstring, Words>> lines; // each step as written, and its words
  std::wstring script;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"-e" && i + 1 < argc)
      lines.push_back({argv[++i], {}});
    else if (arg.find(L'=') != std::wstring::npos)
      SetEnvironmentVariableW(arg.substr(0, arg.find(L'=')).c_str(), arg.substr(arg.find(L'=') + 1).c_str());
    else if (FILE *file = _wfopen(arg.c_str(), L"rb")) {
      for (char line[16384]; std::fgets(line, sizeof line, file);)
        lines.push_back({Wide(line).substr(0, Wide(line).find_last_not_of(L"\r\n") + 1), {}});
      std::fclose(file);
    } else {
      std::fputs("usage: e2edriver.exe (<script> | -e \"<step>\" ...) [NAME=value ...]\n", stderr);
      return 2;
    }
  }
  // The whole script is checked before anything runs: a typo never leaves an application half driven.
  Driver driver;
  const std::vector<Driver::Step> steps = driver.Steps();
  std::vector<const Driver::Step *> found;
  for (auto &line : lines) {
    if (!Split(line.first, line.second)) {
      std::fprintf(stderr, "e2edriver: unclosed quote or ${ in: %s\n", Narrow(line.first).c_str());
      return 2;
    }
    const Driver::Step *step = nullptr;
    for (const Driver::Step &s : steps)
      step = !line.second.empty() && line.second[0] == s.name && line.second.size() > s.minArgs ? &s : step;
    if (!line.second.empty() && !step) {
      std::fprintf(stderr, "e2edriver: unknown step or missing arguments: %s\n", Narrow(line.first).c_str());
      return 2;
    }
    found.push_back(step);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!found[i])
      continue;
    Print(L"[" + std::to_wstring(i + 1) + L"] " + lines[i].first);
    try {
      found[i]->run(Words(lines[i].second.begin() + 1, lines[i].second.end()));
    } catch (const Failed &failed) {
      std::fprintf(stderr, "e2edriver: FAILED at %zu (%s): %s\n", i + 1, Narrow(lines[i].first).c_str(), Narrow(failed.why).c_str());
      return 1;
    }
  }
  Print(L"e2edriver: all steps passed");
  return 0;
}
