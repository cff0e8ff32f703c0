// naiveload: loads a DLL by its bare name with the default search order (the program's own folder
// first), as a careless program would. The control that shows a planted DLL is really picked up.
//
//   naiveload.exe <dll-name>
//
// Prints "LOADED <path>" and exits 0 when the DLL was loaded, "NOT LOADED (error N)" and exits 1
// when not, 2 on bad usage.

#include <windows.h>

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: naiveload.exe <dll-name>\n");
    return 2;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    std::printf("NOT LOADED (error %lu)\n", GetLastError());
    return 1;
  }
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  std::printf("LOADED %s\n", path);
  return 0;
}
