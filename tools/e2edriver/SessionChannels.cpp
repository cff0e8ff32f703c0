// Steps that reach beyond the dialog's controls: the folder browser, the refresh broadcast, the
// trace viewer's window and capture, and the runner's screenshots.

#include "Session.h"

#include <shlobj.h>

#include <cstdio>
#include <cwchar>

#include "StepSupport.h"
#include "WindowQuery.h"

using namespace steps;

namespace {

std::wstring Hex(unsigned long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%lX", value);
  return text;
}

// The computer name as the application reads it: in the ANSI code page, empty when unreadable.
std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size))
    return std::string();
  return std::string(name, size);
}

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

bool Session::BroadcastRefresh(const std::vector<std::wstring> &, std::wstring &error) {
  // The name is built as the application builds it (ANSI calls), never assumed.
  const std::string name = "DevMgrRefreshOn" + ComputerName();
  const UINT message = RegisterWindowMessageA(name.c_str());
  if (!message) {
    error = L"cannot register the refresh message (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  // Posted: a sent broadcast would wait for a dialog that is busy installing.
  if (!PostMessageW(HWND_BROADCAST, message, 0, 0)) {
    error = L"broadcast failed (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  wchar_t wideName[64] = {};
  MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wideName, 63);
  PrintUtf8(L"broadcast " + std::wstring(wideName) + L" = " + Hex(message));
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

namespace {
bool TracePath(std::wstring &path, std::wstring &error) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"E2E_TRACE", buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    error = L"E2E_TRACE does not name the trace capture file";
    return false;
  }
  path = buffer;
  return true;
}
} // namespace

bool Session::ExpectTraceCount(const std::vector<std::wstring> &args, std::wstring &error) {
  unsigned long count = 0;
  std::wstring path;
  if (!ParseNumber(args[1], count)) {
    error = L"not a count: " + args[1];
    return false;
  }
  if (!TracePath(path, error))
    return false;
  const size_t seen = CountTraceRecords(path, ToUtf8(args[0]));
  if (seen != count) {
    error = L"the trace holds " + std::to_wstring(seen) + L" records " + DescribeText(args[0]) + L", expected " +
            std::to_wstring(count);
    return false;
  }
  return true;
}

bool Session::WaitTrace(const std::vector<std::wstring> &args, std::wstring &error) {
  unsigned long count = 1;
  DWORD timeout;
  if (args.size() > 1 && (!ParseNumber(args[1], count) || count == 0)) {
    error = L"not a count: " + args[1];
    return false;
  }
  if (!OptionalTimeout(args, 2, kOwnedTimeout, timeout, error))
    return false;
  std::wstring path;
  if (!TracePath(path, error))
    return false;
  const std::string wanted = ToUtf8(args[0]);
  size_t seen = 0;
  if (!WaitFor([&] { return (seen = CountTraceRecords(path, wanted)) >= count; }, timeout)) {
    error = L"the trace holds " + std::to_wstring(seen) + L" of " + std::to_wstring(count) + L" records " +
            DescribeText(args[0]) + L" after " + std::to_wstring(timeout) + L" ms";
    return false;
  }
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
