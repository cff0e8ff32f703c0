#include "Session.h"

#include <shlobj.h>

#include <cstdio>
#include <cwchar>

#include "WindowQuery.h"

namespace {

const DWORD kDialogTimeout = 15000;
const DWORD kOwnedTimeout = 30000; // an install runs before the outcome box appears
const DWORD kExitTimeout = 10000;
const DWORD kSendTimeout = 5000;
const int kMessageBoxTextId = 0xFFFF;

// Decimal or 0x-prefixed hex, nothing else.
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

std::wstring Hex(unsigned long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%lX", value);
  return text;
}

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

std::wstring ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size))
    return std::wstring();
  std::wstring wide;
  for (DWORD i = 0; i < size; ++i)
    wide += static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
  return wide;
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
    {L"run", 1, 64, &Session::Run, L"run <exe> [args...]            start the application (working folder: its own)"},
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
    {L"syscommand", 1, 1, &Session::SysCommand, L"syscommand <value>             post WM_SYSCOMMAND with that value to current"},
    {L"broadcast-refresh", 0, 0, &Session::BroadcastRefresh, L"broadcast-refresh              post \"DevMgrRefreshOn\"+computer name to every top-level window"},
    {L"wait-gone", 0, 1, &Session::WaitGone, L"wait-gone [ms]                 wait until current no longer exists"},
    {L"wait-exit", 0, 2, &Session::WaitExit, L"wait-exit [ms] [code]          wait for the application to end; check its exit code"},
    {L"settext", 2, 2, &Session::SetText, L"settext <title> <text>         send WM_SETTEXT (ANSI) to the top-level window with that title"},
    {L"close-window", 1, 1, &Session::CloseWindow, L"close-window <title>           post WM_CLOSE to the top-level window with that title"},
    {L"sleep", 1, 1, &Session::SleepStep, L"sleep <ms>                     wait"},
    {L"wait-trace", 1, 3, &Session::WaitTrace, L"wait-trace <text> [count] [ms]  wait until the trace capture (E2E_TRACE) holds count records (default 1) that are exactly text, as recorded (escaped)"},
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
    error = L"an application was already started";
    return false;
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

bool Session::WaitBrowser(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  if (!OptionalTimeout(args, 0, kDialogTimeout, timeout, error))
    return false;
  const DWORD pid = AppPid();
  HWND browser = WaitFor([&] { return FindFolderBrowser(pid); }, timeout);
  if (!browser) {
    error = L"no folder browser within " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  PrintUtf8(L"browser " + DescribeText(WindowText(browser)));
  m_current = browser;
  return true;
}

bool Session::BrowseSelect(const std::vector<std::wstring> &args, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  // The selection message carries a pointer that the browser reads in its own process: the path
  // is written into that process's memory first.
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, WindowProcess(m_current));
  if (!process) {
    error = L"cannot open the browser's process (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  const std::wstring &path = args[0];
  const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
  void *remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  bool selected = false;
  if (remote && WriteProcessMemory(process, remote, path.c_str(), bytes, nullptr)) {
    DWORD_PTR result = 0;
    selected = SendMessageTimeoutW(m_current, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                                   SMTO_ABORTIFHUNG, kSendTimeout, &result) != 0;
  }
  if (remote)
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  if (!selected) {
    error = L"could not select " + DescribeText(path) + L" in the browser (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  HWND ok = GetDlgItem(m_current, IDOK);
  if (!ok || !IsWindowEnabled(ok)) {
    error = L"the browser's OK button is missing or disabled after selecting " + DescribeText(path);
    return false;
  }
  PostMessageW(ok, BM_CLICK, 0, 0);
  return true;
}

bool Session::BrowseCancel(const std::vector<std::wstring> &, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  PostMessageW(m_current, WM_COMMAND, IDCANCEL, 0);
  return true;
}

bool Session::Click(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND button;
  if (!Control(args[0], button, error))
    return false;
  if (!IsWindowVisible(button) || !IsWindowEnabled(button)) {
    error = L"button " + args[0] + L" " + DescribeText(WindowText(button)) + L" is " +
            (IsWindowVisible(button) ? L"disabled" : L"hidden");
    return false;
  }
  // Posted, never sent: the click's handler may run a modal loop that would hold a sent message.
  PostMessageW(button, BM_CLICK, 0, 0);
  return true;
}

bool Session::ExpectCaption(const std::vector<std::wstring> &args, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  const std::wstring caption = WindowText(m_current);
  if (caption != args[0]) {
    error = L"caption is " + DescribeText(caption) + L", expected " + DescribeText(args[0]);
    return false;
  }
  return true;
}

bool Session::ExpectText(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  const std::wstring text = WindowText(control);
  if (text != args[1]) {
    error = L"control " + args[0] + L" holds " + DescribeText(text) + L", expected " + DescribeText(args[1]);
    return false;
  }
  return true;
}

bool Session::WaitText(const std::vector<std::wstring> &args, std::wstring &error) {
  DWORD timeout;
  HWND control;
  if (!OptionalTimeout(args, 2, kOwnedTimeout, timeout, error) || !Control(args[0], control, error))
    return false;
  if (!WaitFor([&] { return WindowText(control) == args[1]; }, timeout)) {
    error = L"control " + args[0] + L" still holds " + DescribeText(WindowText(control)) + L" after " +
            std::to_wstring(timeout) + L" ms, expected " + DescribeText(args[1]);
    return false;
  }
  return true;
}

bool Session::ExpectVisible(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  if (!IsWindowVisible(control)) {
    error = L"control " + args[0] + L" is hidden";
    return false;
  }
  return true;
}

bool Session::ExpectHidden(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  if (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) {
    error = L"control " + args[0] + L" is visible";
    return false;
  }
  return true;
}

bool Session::PrintCaption(const std::vector<std::wstring> &, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  PrintUtf8(L"caption " + DescribeText(WindowText(m_current)));
  return true;
}

bool Session::PrintText(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND control;
  if (!Control(args[0], control, error))
    return false;
  PrintUtf8(L"text " + args[0] + L" " + DescribeText(WindowText(control)));
  return true;
}

bool Session::PrintRect(const std::vector<std::wstring> &, std::wstring &error) {
  RECT rect;
  if (!NeedCurrent(error))
    return false;
  if (!GetWindowRect(m_current, &rect)) {
    error = L"cannot read the window's rectangle";
    return false;
  }
  PrintUtf8(L"RECT " + std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " +
            std::to_wstring(rect.right - rect.left) + L" " + std::to_wstring(rect.bottom - rect.top));
  return true;
}

bool Session::KeyEscape(const std::vector<std::wstring> &, std::wstring &error) {
  if (!NeedCurrent(error))
    return false;
  // The dialog's own loop turns Esc on any of its controls into Cancel, as it does for a user.
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = m_current;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(m_current, nullptr), &info) && info.hwndFocus &&
      (info.hwndFocus == m_current || IsChild(m_current, info.hwndFocus)))
    target = info.hwndFocus;
  const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, 0)) << 16;
  PrintUtf8(L"esc to " + WindowClass(target) + L" " + std::to_wstring(GetDlgCtrlID(target)) +
            (info.hwndActive ? L", active " + DescribeText(WindowText(info.hwndActive)) : L", no active window"));
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, scanCode | 1);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, scanCode | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
  return true;
}

bool Session::SysCommand(const std::vector<std::wstring> &args, std::wstring &error) {
  unsigned long value = 0;
  if (!ParseNumber(args[0], value)) {
    error = L"not a number: " + args[0];
    return false;
  }
  if (!NeedCurrent(error))
    return false;
  PostMessageW(m_current, WM_SYSCOMMAND, value, 0);
  return true;
}

bool Session::BroadcastRefresh(const std::vector<std::wstring> &, std::wstring &error) {
  // The computer name is read the way the application reads it, never assumed.
  const std::wstring name = L"DevMgrRefreshOn" + ComputerName();
  const UINT message = RegisterWindowMessageW(name.c_str());
  if (!message) {
    error = L"cannot register " + name;
    return false;
  }
  // Posted: a sent broadcast would wait for a dialog that is busy installing.
  if (!PostMessageW(HWND_BROADCAST, message, 0, 0)) {
    error = L"broadcast failed (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  PrintUtf8(L"broadcast " + name + L" = " + Hex(message));
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

bool Session::SetText(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND window = FindTitled(args[0]);
  if (!window) {
    error = L"no window " + DescribeText(args[0]);
    return false;
  }
  // The ANSI message, as the application's trace channel sends it.
  const std::wstring &text = args[1];
  std::string ansi;
  if (!text.empty()) {
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    ansi.assign(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], length, nullptr, nullptr);
  }
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()), SMTO_ABORTIFHUNG,
                           kSendTimeout, &result)) {
    error = L"WM_SETTEXT was not answered";
    return false;
  }
  return true;
}

bool Session::CloseWindow(const std::vector<std::wstring> &args, std::wstring &error) {
  HWND window = FindTitled(args[0]);
  if (!window) {
    error = L"no window " + DescribeText(args[0]);
    return false;
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
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
// Records of the trace viewer's capture file whose text is exactly wanted.
size_t CountTraceRecords(const std::wstring &path, const std::string &wanted) {
  FILE *file = _wfopen(path.c_str(), L"rb");
  if (!file)
    return 0;
  std::string contents;
  char buffer[4096];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    contents.append(buffer, read);
  std::fclose(file);
  size_t count = 0;
  size_t start = 0;
  for (size_t end; (end = contents.find('\n', start)) != std::string::npos; start = end + 1) {
    const size_t tab = contents.find('\t', start);
    if (tab < end && contents.compare(tab + 1, end - tab - 1, wanted) == 0)
      ++count;
  }
  return count;
}
} // namespace

bool Session::WaitTrace(const std::vector<std::wstring> &args, std::wstring &error) {
  unsigned long count = 1;
  DWORD timeout;
  if (args.size() > 1 && (!ParseNumber(args[1], count) || count == 0)) {
    error = L"not a count: " + args[1];
    return false;
  }
  if (!OptionalTimeout(args, 2, kOwnedTimeout, timeout, error))
    return false;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"E2E_TRACE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    error = L"E2E_TRACE does not name the trace capture file";
    return false;
  }
  const std::string wanted = ToUtf8(args[0]);
  size_t seen = 0;
  if (!WaitFor([&] { return (seen = CountTraceRecords(path, wanted)) >= count; }, timeout)) {
    error = L"the trace holds " + std::to_wstring(seen) + L" of " + std::to_wstring(count) + L" records " +
            DescribeText(args[0]) + L" after " + std::to_wstring(timeout) + L" ms";
    return false;
  }
  return true;
}

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

bool Session::Snapshot(const std::vector<std::wstring> &args, std::wstring &error) {
  // The runner watches E2E_SNAPSHOTS for <name>.request files, takes the screenshot and deletes
  // the file; the windows stay as they are until then.
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(L"E2E_SNAPSHOTS", folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    PrintUtf8(L"snapshot " + args[0] + L" skipped (no E2E_SNAPSHOTS)");
    return true;
  }
  if (args[0].find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
    error = L"a snapshot name is a plain file name: " + args[0];
    return false;
  }
  // A window that has just appeared may not be painted yet: have the windows repainted first when
  // their thread answers (a busy one is shot as it stands), then give X a moment.
  for (HWND window : {m_main, m_current}) {
    DWORD_PTR result = 0;
    if (window && IsWindow(window) &&
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result))
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  Sleep(200);
  const std::wstring request = std::wstring(folder) + L"\\" + args[0] + L".request";
  HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = L"cannot create " + request + L" (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  CloseHandle(file);
  if (!WaitFor([&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, kDialogTimeout)) {
    DeleteFileW(request.c_str());
    error = L"nobody took snapshot " + args[0];
    return false;
  }
  return true;
}

void PrintUtf8(const std::wstring &line) {
  const std::string text = ToUtf8(line) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}
