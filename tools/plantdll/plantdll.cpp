// A DLL that must never be loaded by Quarvel. Whatever name it was copied under, a process that loads it
// leaves the file "<this DLL's path>.loaded" beside it.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  wchar_t mark[MAX_PATH + 8] = {};
  if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(self, mark, MAX_PATH))
    CloseHandle(CreateFileW(lstrcatW(mark, L".loaded"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return TRUE;
}
