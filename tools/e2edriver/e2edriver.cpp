// e2edriver: drives the application's windows for the end-to-end tests as a user would, and checks
// what they show. Every wait has a deadline (an optional last number, in milliseconds).
//
//   e2edriver.exe -e "<step>" ... [NAME=value ...]
//
// Each step is quoted as a Windows command line is ("double quotes" around blanks; backslashes stand for
// themselves unless before a quote), ${NAME} is replaced (NAME=value words set it), a step that begins
// with # is a comment. The steps are those of Step() below; control IDs are numbers, 0 the current
// window itself, 65535 a message box's text; trace texts are written as the viewer records them.
// Exit codes: 0 every step passed, 1 a step failed (the reason is on stderr), 2 bad usage or script.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::wstring>;
struct Failed { std::wstring why; };
[[noreturn]] void Fail(const std::wstring &why) { throw Failed{why}; }

const std::wstring kSteps = L" run attach wait-dialog wait-window use-main expect-no-owned wait-outcome wait-browser "
                            L"browse-select click expect-text expect-visible expect-hidden key-esc post broadcast-refresh "
                            L"wait-gone wait-exit settext close-window wait-trace expect-trace-count snapshot ";

std::string Narrow(const std::wstring &text, UINT codePage = CP_UTF8) {
  std::string out(text.size() * 4 + 1, '\0');
  out.resize(WideCharToMultiByte(codePage, 0, text.c_str(), -1, &out[0], int(out.size()), nullptr, nullptr) - 1);
  return out;
}

std::wstring Env(const std::wstring &name) {
  wchar_t value[4096] = {};
  GetEnvironmentVariableW(name.c_str(), value, 4096);
  return value;
}

void Print(const std::wstring &line) {
  std::fputs((Narrow(line) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// One step into words, quoted as on a Windows command line, after ${NAME} is replaced.
Words Split(std::wstring line) {
  for (size_t at = 0; (at = line.find(L"${", at)) != std::wstring::npos && line.find(L'}', at) != std::wstring::npos;) {
    const std::wstring value = Env(line.substr(at + 2, line.find(L'}', at) - at - 2));
    line.replace(at, line.find(L'}', at) - at + 1, value);
    at += value.size();
  }
  line.erase(0, std::min(line.find_first_not_of(L" \t"), line.size()));
  int count = 0;
  LPWSTR *words = line.empty() || line[0] == L'#' ? nullptr : CommandLineToArgvW(line.c_str(), &count);
  return words ? Words(words, words + count) : Words();
}

// A text as the trace viewer records it (\n \r \t \\ escaped) back to the text itself.
std::wstring Unescaped(const std::wstring &escaped) {
  std::wstring text;
  for (size_t i = 0; i < escaped.size(); ++i) {
    const size_t code = escaped[i] == L'\\' && i + 1 < escaped.size() ? std::wstring(L"nrt\\").find(escaped[i + 1]) : std::wstring::npos;
    text += code == std::wstring::npos ? escaped[i] : L"\n\r\t\\"[code];
    i += code != std::wstring::npos;
  }
  return text;
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

// The first top-level window that accept takes, or null.
template <typename Accept> HWND FindTop(Accept accept) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, nullptr, nullptr)) && !accept(window)) {
  }
  return window;
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
  FILE *file = _wfopen(Env(L"E2E_TRACE").c_str(), L"rb");
  if (!file)
    Fail(L"cannot read the trace capture (E2E_TRACE)");
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
      Run(a.at(0));
    } else if (verb == L"attach") { // <title> [ms]: a program that another one started, by its dialog
      const auto shown = [&] { return FindTop([&](HWND w) { return VisibleDialog(w) && Text(w) == a.at(0); }); };
      m_main = m_current = WaitFor(shown, Number(a, 1, 15000));
      if (!m_main)
        Fail(L"no dialog");
      m_app = {};
      m_app.dwProcessId = Pid(m_main);
      m_app.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, m_app.dwProcessId);
    } else if (verb == L"wait-dialog") {
      m_main = m_current = WaitFor([&]() -> HWND {
        if (WaitForSingleObject(m_app.hProcess, 0) == WAIT_OBJECT_0)
          Fail(L"the application ended before showing its dialog");
        return FindTop([&](HWND w) { return Pid(w) == m_app.dwProcessId && VisibleDialog(w) && Text(w) == a.at(0); });
      }, Number(a, 1, 15000));
      if (!m_main)
        Fail(L"no dialog");
    } else if (verb == L"wait-window") {
      if (!WaitFor([&] { return FindWindowW(nullptr, a.at(0).c_str()); }, Number(a, 1, 15000)))
        Fail(L"no window");
    } else if (verb == L"use-main") {
      m_current = m_main;
    } else if (verb == L"expect-no-owned") { // <ms>
      if (HWND owned = WaitFor([&] { return Owned(); }, Number(a, 0, 0)))
        Fail(L"unexpected dialog \"" + Text(owned) + L"\": " + Text(GetDlgItem(owned, 0xFFFF)));
    } else if (verb == L"wait-outcome") { // a box owned by the dialog (it becomes current) or the failure line
      m_current = WaitFor([&]() -> HWND {
        HWND box = Owned();
        return box || !IsWindowVisible(GetDlgItem(m_main, 1003)) || Text(GetDlgItem(m_main, 1007)).empty() ? box : m_main;
      }, Number(a, 0, 30000));
      if (!m_current)
        Fail(L"no outcome");
      Print(m_current == m_main ? L"OUTCOME failure: status \"" + Text(GetDlgItem(m_main, 1007)) + L"\""
                                : L"OUTCOME box \"" + Text(m_current) + L"\": \"" + Text(GetDlgItem(m_current, 0xFFFF)) + L"\"");
    } else if (verb == L"wait-browser") {
      m_current = WaitFor([&] {
        return FindTop([&](HWND w) {
          return Pid(w) == m_app.dwProcessId && VisibleDialog(w) && FindWindowExW(w, nullptr, L"SysTreeView32", nullptr);
        });
      }, Number(a, 0, 15000));
      if (!m_current)
        Fail(L"no folder browser");
    } else if (verb == L"browse-select") {
      BrowseSelect(a.at(0));
    } else if (verb == L"click") {
      HWND button = Control(a.at(0));
      if (!IsWindowVisible(button) || !IsWindowEnabled(button))
        Fail(L"the button is hidden or disabled");
      PostMessageW(button, BM_CLICK, 0, 0); // posted: its handler may run a modal loop
    } else if (verb == L"expect-text") {
      if (Text(Control(a.at(0))) != a.at(1))
        Fail(L"the control holds \"" + Text(Control(a[0])) + L"\"");
    } else if (verb == L"expect-visible" || verb == L"expect-hidden") {
      if (!IsWindowVisible(Control(a.at(0))) == (verb == L"expect-visible"))
        Fail(L"not as expected");
    } else if (verb == L"key-esc") {
      KeyEscape();
    } else if (verb == L"post") { // <message> [wparam]: 0x10 the close box, 0x111 2 Cancel, 0x112 a system command
      PostMessageW(Current(), Number(a, 0, 0), Number(a, 1, 0), 0);
    } else if (verb == L"broadcast-refresh") {
      // Named as the application names it, in ANSI; posted, as a busy dialog would hold a sent one.
      char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
      DWORD size = sizeof computer;
      GetComputerNameA(computer, &size);
      PostMessageW(HWND_BROADCAST, RegisterWindowMessageA(("DevMgrRefreshOn" + std::string(computer)).c_str()), 0, 0);
    } else if (verb == L"wait-gone") {
      if (!m_current || !WaitFor([&] { return !IsWindow(m_current) || !IsWindowVisible(m_current); }, Number(a, 0, 10000)))
        Fail(L"the window is still there");
    } else if (verb == L"wait-exit") { // [ms] [code]
      DWORD code = 0;
      if (!m_app.hProcess || WaitForSingleObject(m_app.hProcess, Number(a, 0, 10000)) != WAIT_OBJECT_0)
        Fail(L"the application still runs");
      GetExitCodeProcess(m_app.hProcess, &code);
      Print(L"exit code " + std::to_wstring(code));
      if (a.size() > 1 && code != Number(a, 1, 0))
        Fail(L"another exit code");
    } else if (verb == L"settext") { // <title> <escaped text>: in ANSI, as the application's trace channel sends it
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutA(Titled(a.at(0)), WM_SETTEXT, 0, LPARAM(Narrow(Unescaped(a.at(1)), CP_ACP).c_str()), SMTO_ABORTIFHUNG, 5000, &result))
        Fail(L"WM_SETTEXT was not answered");
    } else if (verb == L"close-window") {
      PostMessageW(Titled(a.at(0)), WM_CLOSE, 0, 0);
    } else if (verb == L"wait-trace") { // <text> [count] [ms]: at least count records exactly text
      if (!WaitFor([&] { return TraceCount(a.at(0)) >= Number(a, 1, 1); }, Number(a, 2, 30000)))
        Fail(L"the trace holds " + std::to_wstring(TraceCount(a[0])) + L" such records");
    } else if (verb == L"expect-trace-count") { // <text> <n>
      if (TraceCount(a.at(0)) != Number(a, 1, 0))
        Fail(L"the trace holds " + std::to_wstring(TraceCount(a[0])) + L" such records");
    } else if (verb == L"snapshot") {
      Snapshot(a.at(0));
    }
  }

private:
  HWND Current() {
    if (!m_current || !IsWindow(m_current))
      Fail(L"no current window");
    return m_current;
  }

  HWND Control(const std::wstring &id) {
    HWND control = id == L"0" ? Current() : GetDlgItem(Current(), int(Number(Words{id}, 0, 0)));
    return control ? control : (Fail(L"no control " + id), nullptr);
  }

  HWND Owned() {
    if (!IsWindow(m_main))
      Fail(L"the main dialog is gone");
    return FindTop([&](HWND w) { return GetWindow(w, GW_OWNER) == m_main && VisibleDialog(w); });
  }

  void Run(const std::wstring &exe) {
    // One application at a time: a later run starts the next once the last has ended.
    if (m_app.hProcess && WaitForSingleObject(m_app.hProcess, 0) != WAIT_OBJECT_0)
      Fail(L"the application started earlier still runs");
    m_main = m_current = nullptr;
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        exe.substr(0, exe.find_last_of(L'\\')).c_str(), &startup, &m_app))
      Fail(L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")");
  }

  void BrowseSelect(const std::wstring &path) {
    // The selection message carries a pointer the browser reads in its own process: the path goes there first.
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, Pid(Current()));
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void *remote = process ? VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    DWORD_PTR result = 0;
    if (!remote || !WriteProcessMemory(process, remote, path.c_str(), bytes, nullptr) ||
        !SendMessageTimeoutW(m_current, BFFM_SETSELECTIONW, TRUE, LPARAM(remote), SMTO_ABORTIFHUNG, 5000, &result) ||
        !IsWindowEnabled(GetDlgItem(m_current, IDOK)))
      Fail(L"could not select " + path);
    PostMessageW(GetDlgItem(m_current, IDOK), BM_CLICK, 0, 0);
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
    if (Env(L"E2E_SNAPSHOTS").empty())
      return;
    for (HWND window : {m_main, m_current}) // painted first, when their thread answers
      if (DWORD_PTR r; window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(200);
    const std::wstring request = Env(L"E2E_SNAPSHOTS") + L"\\" + name + L".request";
    CloseHandle(CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!WaitFor([&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, 15000))
      Fail(L"nobody took snapshot " + name);
  }

  PROCESS_INFORMATION m_app = {}; // handles left to the end of the process
  HWND m_main = nullptr;          // the application's dialog, from wait-dialog
  HWND m_current = nullptr;       // the window the steps act on
};

} // namespace

int main() {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::pair<std::wstring, Words>> lines; // each step as written, and its words
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"-e" && i + 1 < argc) {
      lines.push_back({argv[++i], {}});
    } else if (arg.find(L'=') != std::wstring::npos) {
      SetEnvironmentVariableW(arg.substr(0, arg.find(L'=')).c_str(), arg.substr(arg.find(L'=') + 1).c_str());
    } else {
      std::fputs("usage: e2edriver.exe -e \"<step>\" ... [NAME=value ...]\n", stderr);
      return 2;
    }
  }
  // The whole script is checked before anything runs: a typo never leaves an application half driven.
  for (auto &line : lines) {
    line.second = Split(line.first);
    if (!line.second.empty() && kSteps.find(L" " + line.second[0] + L" ") == std::wstring::npos) {
      std::fprintf(stderr, "e2edriver: unknown step: %s\n", Narrow(line.first).c_str());
      return 2;
    }
  }
  Driver driver;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].second.empty())
      continue;
    Print(L"[" + std::to_wstring(i + 1) + L"] " + lines[i].first);
    try {
      driver.Step(lines[i].second[0], Words(lines[i].second.begin() + 1, lines[i].second.end()));
    } catch (const Failed &failed) {
      std::fprintf(stderr, "e2edriver: FAILED at %zu (%s): %s\n", i + 1, Narrow(lines[i].first).c_str(), Narrow(failed.why).c_str());
      return 1;
    } catch (const std::out_of_range &) {
      std::fprintf(stderr, "e2edriver: FAILED at %zu (%s): an argument is missing\n", i + 1, Narrow(lines[i].first).c_str());
      return 1;
    }
  }
  Print(L"e2edriver: all steps passed");
  return 0;
}
