#include "Session.h"

#include <cstdio>
#include <cwchar>

#include "StepSupport.h"
#include "WindowQuery.h"

namespace steps {

bool ParseNumber(const std::wstring &text, unsigned long &value) {
  if (text.empty())
    return false;
  wchar_t *end = nullptr;
  const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  value = std::wcstoul(text.c_str(), &end, hex ? 16 : 10);
  return end && *end == L'\0' && text[0] != L'-';
}

bool OptionalTimeout(const std::vector<std::wstring> &args, size_t index, DWORD fallback, DWORD &timeout,
                     std::wstring &error) {
  unsigned long value = fallback;
  if (index < args.size() && !ParseNumber(args[index], value)) {
    error = L"not a number of milliseconds: " + args[index];
    return false;
  }
  timeout = value;
  return true;
}

} // namespace steps

using namespace steps;

namespace {

// Quotes one argument for a Windows command line so that the usual parser gives it back unchanged.
std::wstring QuoteArgument(const std::wstring &arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
    return arg;
  std::wstring quoted = L"\"";
  for (size_t i = 0;; ++i) {
    size_t backslashes = 0;
    while (i < arg.size() && arg[i] == L'\\') {
      ++i;
      ++backslashes;
    }
    if (i == arg.size()) {
      quoted.append(backslashes * 2, L'\\'); // doubled: the closing quote follows
      break;
    }
    if (arg[i] == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted += arg[i];
  }
  quoted += L'"';
  return quoted;
}

std::wstring Directory(const std::wstring &path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace

struct Session::Command {
  const wchar_t *name;
  size_t minArgs;
  size_t maxArgs;
  bool (Session::*run)(const std::vector<std::wstring> &, std::wstring &);
  const wchar_t *usage;
};

const Session::Command Session::kCommands[] = {
    {L"run", 1, 64, &Session::Run, L"run <exe> [args...]            start the application (working folder: its own); again once it ended"},
    {L"wait-dialog", 1, 2, &Session::WaitDialog, L"wait-dialog <title> [ms]       wait for its visible dialog; it becomes main and current"},
    {L"wait-window", 1, 2, &Session::WaitWindow, L"wait-window <title> [ms]       wait for any top-level window with this title"},
    {L"use-main", 0, 0, &Session::UseMain, L"use-main                       act on the main dialog again"},
    {L"wait-owned", 0, 2, &Session::WaitOwned, L"wait-owned [title|*] [ms]      wait for a dialog owned by main (a message box); it becomes current"},
    {L"expect-no-owned", 1, 1, &Session::ExpectNoOwned, L"expect-no-owned <ms>           no dialog owned by main appears for that long"},
    {L"wait-browser", 0, 1, &Session::WaitBrowser, L"wait-browser [ms]              wait for the folder browser; it becomes current"},
    {L"browse-select", 1, 1, &Session::BrowseSelect, L"browse-select <folder>         select the folder in the current browser and press OK"},
    {L"browse-cancel", 0, 0, &Session::BrowseCancel, L"browse-cancel                  press Cancel in the current browser"},
    {L"click", 1, 1, &Session::Click, L"click <id>                     post BM_CLICK to a visible, enabled button of current"},
    {L"expect-caption", 1, 1, &Session::ExpectCaption, L"expect-caption <text>          current's title is exactly text"},
    {L"expect-text", 2, 2, &Session::ExpectText, L"expect-text <id> <text>        the control's text is exactly text (65535: a message box's text)"},
    {L"wait-text", 2, 3, &Session::WaitText, L"wait-text <id> <text> [ms]     wait until the control's text is exactly text"},
    {L"expect-visible", 1, 1, &Session::ExpectVisible, L"expect-visible <id>            the control is visible"},
    {L"expect-hidden", 1, 1, &Session::ExpectHidden, L"expect-hidden <id>             the control exists and is hidden"},
    {L"print-caption", 0, 0, &Session::PrintCaption, L"print-caption                  print current's title"},
    {L"print-text", 1, 1, &Session::PrintText, L"print-text <id>                print the control's text"},
    {L"print-rect", 0, 0, &Session::PrintRect, L"print-rect                     print current's screen rectangle: RECT x y width height"},
    {L"key-esc", 0, 0, &Session::KeyEscape, L"key-esc                        press Esc in current (posted to its focused control)"},
    {L"close", 0, 0, &Session::Close, L"close                          post WM_CLOSE to current (its close box)"},
    {L"syscommand", 1, 1, &Session::SysCommand, L"syscommand <value>             post WM_SYSCOMMAND with that value to current"},
    {L"broadcast-refresh", 0, 0, &Session::BroadcastRefresh, L"broadcast-refresh              post \"DevMgrRefreshOn\"+computer name to every top-level window"},
    {L"wait-gone", 0, 1, &Session::WaitGone, L"wait-gone [ms]                 wait until current no longer exists"},
    {L"wait-exit", 0, 2, &Session::WaitExit, L"wait-exit [ms] [code]          wait for the application to end; check its exit code"},
    {L"settext", 2, 2, &Session::SetText, L"settext <title> <text>         send WM_SETTEXT (ANSI) to the top-level window with that title"},
    {L"close-window", 1, 1, &Session::CloseWindow, L"close-window <title>           post WM_CLOSE to the top-level window with that title"},
    {L"sleep", 1, 1, &Session::SleepStep, L"sleep <ms>                     wait"},
    {L"wait-trace", 1, 3, &Session::WaitTrace, L"wait-trace <text> [count] [ms]  wait until the trace capture (E2E_TRACE) holds count records (default 1) that are exactly text, as recorded (escaped)"},
    {L"expect-trace-count", 2, 2, &Session::ExpectTraceCount, L"expect-trace-count <text> <n>  the trace capture holds exactly n records that are exactly text, now"},
    {L"wait-outcome", 0, 1, &Session::WaitOutcome, L"wait-outcome [ms]              after Install: wait for the outcome box (it becomes current) or the folder button"},
    {L"snapshot", 1, 1, &Session::Snapshot, L"snapshot <name>                ask the test runner for a screenshot now (skipped without E2E_SNAPSHOTS)"},
    {L"echo", 0, 64, &Session::Echo, L"echo <words...>                print the words"},
};

Session::~Session() {
  if (m_app.hThread)
    CloseHandle(m_app.hThread);
  if (m_app.hProcess)
    CloseHandle(m_app.hProcess);
}

std::wstring Session::Help() {
  std::wstring help;
  for (const Command &command : kCommands)
    help += std::wstring(L"  ") + command.usage + L"\n";
  return help;
}

const Session::Command *Session::Find(const std::vector<std::wstring> &words, std::wstring &error) {
  for (const Command &command : kCommands) {
    if (words[0] != command.name)
      continue;
    const size_t count = words.size() - 1;
    if (count < command.minArgs || count > command.maxArgs) {
      error = std::wstring(L"wrong number of arguments; usage: ") + command.usage;
      return nullptr;
    }
    return &command;
  }
  error = L"unknown step \"" + words[0] + L"\"";
  return nullptr;
}

bool Session::Check(const std::vector<std::wstring> &words, std::wstring &error) {
  return Find(words, error) != nullptr;
}

bool Session::Step(const std::vector<std::wstring> &words, std::wstring &error) {
  const Command *command = Find(words, error);
  if (!command)
    return false;
  std::vector<std::wstring> args(words.begin() + 1, words.end());
  return (this->*command->run)(args, error);
}

bool Session::NeedCurrent(std::wstring &error) const {
  if (!m_current) {
    error = L"no current window (wait-dialog, wait-owned or wait-browser first)";
    return false;
  }
  if (!IsWindow(m_current)) {
    error = L"the current window no longer exists";
    return false;
  }
  return true;
}

bool Session::Control(const std::wstring &idText, HWND &control, std::wstring &error) const {
  unsigned long id = 0;
  if (!ParseNumber(idText, id)) {
    error = L"not a control ID: " + idText;
    return false;
  }
  if (!NeedCurrent(error))
    return false;
  control = GetDlgItem(m_current, static_cast<int>(id));
  if (!control) {
    error = L"no control " + idText + L" in " + DescribeText(WindowText(m_current));
    return false;
  }
  return true;
}

bool Session::Run(const std::vector<std::wstring> &args, std::wstring &error) {
  if (m_app.hProcess) {
    // One application at a time: a later run starts the next instance once the last has ended.
    if (WaitForSingleObject(m_app.hProcess, 0) != WAIT_OBJECT_0) {
      error = L"the application started earlier still runs";
      return false;
    }
    CloseHandle(m_app.hThread);
    CloseHandle(m_app.hProcess);
    m_app = PROCESS_INFORMATION();
    m_main = m_current = nullptr;
  }
  std::wstring commandLine;
  for (const std::wstring &arg : args)
    commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(arg);
  const std::wstring folder = Directory(args[0]);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(args[0].c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &m_app)) {
    error = L"cannot start " + args[0] + L" (error " + std::to_wstring(GetLastError()) + L")";
    m_app = PROCESS_INFORMATION();
    return false;
  }
  PrintUtf8(L"started pid " + std::to_wstring(m_app.dwProcessId));
  return true;
}

bool Session::WaitDialog(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  if (!OptionalTimeout(args, 1, kDialogTimeout, timeout, error))
    return false;
  const DWORD pid = AppPid();
  HWND dialog = WaitFor([&]() -> HWND {
    if (pid && WaitForSingleObject(m_app.hProcess, 0) == WAIT_OBJECT_0)
      return HWND(-1); // ended before showing it
    return FindDialog(pid, args[0]);
  }, timeout);
  if (dialog == HWND(-1)) {
    DWORD code = 0;
    GetExitCodeProcess(m_app.hProcess, &code);
    error = L"the application ended (exit code " + std::to_wstring(code) + L") before showing " + DescribeText(args[0]);
    return false;
  }
  if (!dialog) {
    error = L"no visible dialog " + DescribeText(args[0]) + L" within " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  m_main = m_current = dialog;
  return true;
}

bool Session::WaitWindow(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  if (!OptionalTimeout(args, 1, kDialogTimeout, timeout, error))
    return false;
  if (!WaitFor([&] { return FindTitled(args[0]); }, timeout)) {
    error = L"no window " + DescribeText(args[0]) + L" within " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  return true;
}

bool Session::UseMain(const std::vector<std::wstring> &, std::wstring &error) {
  if (!m_main) {
    error = L"no main dialog yet";
    return false;
  }
  m_current = m_main; // it may be gone already: wait-gone then passes at once
  return true;
}

bool Session::WaitOwned(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  if (!OptionalTimeout(args, 1, kOwnedTimeout, timeout, error))
    return false;
  if (!m_main) {
    error = L"no main dialog yet";
    return false;
  }
  const std::wstring *title = args.empty() || args[0] == L"*" ? nullptr : &args[0];
  HWND owned = WaitFor([&] { return IsWindow(m_main) ? FindOwnedDialog(m_main, title) : HWND(-1); }, timeout);
  if (owned == HWND(-1)) {
    error = L"the main dialog closed while waiting for a dialog it owns";
    return false;
  }
  if (!owned) {
    error = L"no dialog owned by the main dialog" + (title ? L" titled " + DescribeText(*title) : std::wstring()) +
            L" within " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  m_current = owned;
  return true;
}

bool Session::ExpectNoOwned(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  if (!OptionalTimeout(args, 0, 0, timeout, error))
    return false;
  if (!m_main) {
    error = L"no main dialog yet";
    return false;
  }
  HWND owned = WaitFor([&] { return FindOwnedDialog(m_main, nullptr); }, timeout);
  if (owned) {
    error = L"unexpected dialog " + DescribeText(WindowText(owned)) + L" with text " +
            DescribeText(WindowText(GetDlgItem(owned, kMessageBoxTextId)));
    return false;
  }
  return true;
}

bool Session::WaitGone(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  if (!OptionalTimeout(args, 0, kExitTimeout, timeout, error))
    return false;
  if (!m_current) {
    error = L"no current window";
    return false;
  }
  if (!WaitFor([&] { return !IsWindow(m_current) || !IsWindowVisible(m_current); }, timeout)) {
    error = L"window " + DescribeText(WindowText(m_current)) + L" still there after " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  return true;
}

bool Session::WaitExit(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  unsigned long expected = 0;
  if (!OptionalTimeout(args, 0, kExitTimeout, timeout, error))
    return false;
  if (args.size() > 1 && !ParseNumber(args[1], expected)) {
    error = L"not an exit code: " + args[1];
    return false;
  }
  if (!m_app.hProcess) {
    error = L"no application was started";
    return false;
  }
  if (WaitForSingleObject(m_app.hProcess, timeout) != WAIT_OBJECT_0) {
    error = L"the application still runs after " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(m_app.hProcess, &code);
  PrintUtf8(L"exit code " + std::to_wstring(code));
  if (args.size() > 1 && code != expected) {
    error = L"exit code " + std::to_wstring(code) + L", expected " + std::to_wstring(expected);
    return false;
  }
  return true;
}

bool Session::SleepStep(const std::vector<std::wstring> &args, std::wstring &error) {
  unsigned long ms = 0;
  if (!ParseNumber(args[0], ms)) {
    error = L"not a number of milliseconds: " + args[0];
    return false;
  }
  Sleep(ms);
  return true;
}

bool Session::Echo(const std::vector<std::wstring> &args, std::wstring &) {
  std::wstring line;
  for (const std::wstring &arg : args)
    line += (line.empty() ? L"" : L" ") + arg;
  PrintUtf8(line);
  return true;
}

namespace {
} // namespace

bool Session::WaitOutcome(const std::vector<std::wstring> &args, std::wstring &error) {
  const int kSelectFolderId = 1003;
  const int kStatusId = 1007;
  DWORD timeout;
  if (!OptionalTimeout(args, 0, kOwnedTimeout, timeout, error))
    return false;
  if (!m_main) {
    error = L"no main dialog yet";
    return false;
  }
  // Success shows a box owned by the dialog; failure reveals the folder button and a status line.
  HWND folderButton = GetDlgItem(m_main, kSelectFolderId);
  HWND outcome = WaitFor([&]() -> HWND {
    if (!IsWindow(m_main))
      return HWND(-1);
    if (HWND box = FindOwnedDialog(m_main, nullptr))
      return box;
    // The button is shown before the status line is written: wait for both.
    const bool failed = folderButton && IsWindowVisible(folderButton) &&
                        !WindowText(GetDlgItem(m_main, kStatusId)).empty();
    return failed ? m_main : nullptr;
  }, timeout);
  if (outcome == HWND(-1)) {
    error = L"the dialog closed without an outcome";
    return false;
  }
  if (!outcome) {
    error = L"no outcome within " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  if (outcome == m_main)
    PrintUtf8(L"OUTCOME failure: status " + DescribeText(WindowText(GetDlgItem(m_main, kStatusId))));
  else
    PrintUtf8(L"OUTCOME box " + DescribeText(WindowText(outcome)) + L": " +
              DescribeText(WindowText(GetDlgItem(outcome, kMessageBoxTextId))));
  m_current = outcome;
  return true;
}

void PrintUtf8(const std::wstring &line) {
  const std::string text = ToUtf8(line) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}
