#include "platform/win32/SystemLibrary.h"

#include <commctrl.h>

#include <string>

namespace {
typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI *InitCommonControlsExFunction)(const INITCOMMONCONTROLSEX *);

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif
} // namespace

bool RestrictDllSearchToSystemDirectory() {
  // Leaves the current directory out of the search in every case.
  ::SetDllDirectoryA("");
  // Windows 7 without its loader update lacks this call, so look it up rather than import it.
  auto setDefault =
      ProcAddress<SetDefaultDllDirectoriesFunction>(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t *fileName) {
  wchar_t directory[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::wstring path(directory, length);
  path += L'\\';
  path += fileName;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool InitCommonControlsFromSystem(DWORD classes) {
  static HMODULE comctl32 = LoadSystemLibrary(L"comctl32.dll");
  auto init = ProcAddress<InitCommonControlsExFunction>(comctl32, "InitCommonControlsEx");
  if (!init)
    return false;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), classes};
  return init(&controls) != FALSE;
}
