#include "BaselineSupport.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "platform/win32/SystemLibrary.h"

const BaselinePass kBaselinePasses[3] = {
    {"\\qcmdm.inf", "USB\\VID_05C6&PID_9018&MI_02"},
    {"\\qcser.inf", "USB\\VID_05C6&PID_9018&MI_03"},
    {"\\android_usb.inf", "USB\\VID_05C6&PID_9018&MI_01"},
};

namespace {
const int kDialogTemplate = 100;
const int kWorkButton = 1001;
bool (*g_work)() = nullptr;

INT_PTR CALLBACK BenchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG)
    return TRUE;
  if (message != WM_COMMAND)
    return FALSE;
  const int command = LOWORD(wParam);
  if (command == kWorkButton && HIWORD(wParam) == BN_CLICKED && g_work) {
    if (g_work()) {
      ::MessageBoxW(dialog, L"Install USB Driver Sucessful\xFF01", L"Quarvel", MB_OK);
      ::EndDialog(dialog, IDOK);
    } else {
      ::EndDialog(dialog, IDABORT);
    }
    return TRUE;
  }
  if (command == IDOK || command == IDCANCEL) {
    ::EndDialog(dialog, command);
    return TRUE;
  }
  return FALSE;
}

typedef BOOL(WINAPI *UpdateDriverFunction)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

UpdateDriverFunction ResolveUpdateDriver(DWORD &failure) {
  HMODULE module = ::LoadLibraryExA("newdev.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) {
    char directory[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      module = ::LoadLibraryExA((std::string(directory, length) + "\\newdev.dll").c_str(), nullptr,
                                LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  FARPROC address = module ? ::GetProcAddress(module, "UpdateDriverForPlugAndPlayDevicesA") : nullptr;
  if (!address) {
    failure = ::GetLastError() ? ::GetLastError() : ERROR_PROC_NOT_FOUND;
    return nullptr;
  }
  return reinterpret_cast<UpdateDriverFunction>(reinterpret_cast<void *>(address));
}
} // namespace

int RunBenchDialog(HINSTANCE instance, bool (*work)()) {
  RestrictDllSearchToSystemDirectory();
  InitCommonControlsFromSystem(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);
  g_work = work;
  INT_PTR result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialogTemplate), nullptr, BenchDialogProc, 0);
  return result == IDOK || result == IDCANCEL ? 0 : 1;
}

BOOL UpdateDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, BOOL *rebootRequired) {
  static DWORD failure = ERROR_SUCCESS;
  static const UpdateDriverFunction function = ResolveUpdateDriver(failure);
  if (!function) {
    ::SetLastError(failure);
    return FALSE;
  }
  return function(parent, hardwareId, infPath, flags, rebootRequired);
}

namespace {

// The path of one of the INF files beside the running executable.
void PathBesideExecutable(const char *fileName, char *path, DWORD size) {
  DWORD length = ::GetModuleFileNameA(nullptr, path, size);
  path[length < size ? length : size - 1] = '\0';
  char *slash = std::strrchr(path, '\\');
  if (slash)
    *slash = '\0';
  else
    path[0] = '\0';
  if (std::strlen(path) + std::strlen(fileName) < size)
    std::strcat(path, fileName);
}

} // namespace

bool RunBaselinePasses(bool (*pass)(const char *infPath, const char *hardwareId)) {
  bool all = true;
  for (const BaselinePass &each : kBaselinePasses) {
    char infPath[300];
    PathBesideExecutable(each.fileName, infPath, sizeof infPath);
    all = pass(infPath, each.hardwareId) && all;
  }
  return all;
}
