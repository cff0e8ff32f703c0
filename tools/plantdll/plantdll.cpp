// A DLL that must never be loaded by Quarvel. When a process loads it (under whatever name it was
// copied as), it appends one line naming that process to "<its own path>.loaded". It also exports
// the function a program would look up in newdev.dll, doing nothing but leaving the same mark, so
// that a program which did pick it up would install nothing and be caught by the missing driver too.

#include <windows.h>

namespace {

HMODULE g_self = nullptr;

void AppendMark(const wchar_t *event) {
  wchar_t markPath[MAX_PATH + 16] = {};
  const DWORD length = GetModuleFileNameW(g_self, markPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return;
  lstrcatW(markPath, L".loaded");

  wchar_t process[MAX_PATH] = {};
  if (GetModuleFileNameW(nullptr, process, MAX_PATH) == 0)
    lstrcpyW(process, L"?");
  wchar_t line[2 * MAX_PATH + 32] = {};
  lstrcpyW(line, event);
  lstrcatW(line, L" ");
  lstrcatW(line, process);
  lstrcatW(line, L"\r\n");

  char utf8[3 * (sizeof line / sizeof line[0])] = {}; // UTF-8 needs at most 3 bytes per UTF-16 unit
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
  if (bytes <= 1)
    return;
  HANDLE file = CreateFileW(markPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, utf8, static_cast<DWORD>(bytes - 1), &written, nullptr);
  CloseHandle(file);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    DisableThreadLibraryCalls(instance);
    AppendMark(L"loaded-by");
  }
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR, LPCSTR, DWORD,
                                                                                  PBOOL rebootRequired) {
  AppendMark(L"called-by");
  if (rebootRequired)
    *rebootRequired = FALSE;
  return TRUE;
}
