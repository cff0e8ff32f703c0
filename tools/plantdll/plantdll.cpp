// A DLL that must never be loaded by Quarvel. A process that loads it (under whatever name it was copied
// as) appends its own path to "<this DLL's path>.loaded". It also exports the function a program would
// look up in newdev.dll, doing nothing, so that a program that did pick it up would install nothing.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  char mark[MAX_PATH + 8] = {}, process[MAX_PATH] = {};
  if (reason != DLL_PROCESS_ATTACH || !GetModuleFileNameA(self, mark, MAX_PATH) || !GetModuleFileNameA(nullptr, process, MAX_PATH))
    return TRUE;
  lstrcatA(mark, ".loaded");
  lstrcatA(process, "\r\n");
  HANDLE file = CreateFileA(mark, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, process, lstrlenA(process), &written, nullptr);
  CloseHandle(file);
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR, LPCSTR, DWORD, PBOOL) {
  return TRUE;
}
