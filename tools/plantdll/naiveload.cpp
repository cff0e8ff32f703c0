// naiveload <dll-name>: loads a DLL by its bare name with the default search order (the program's own
// folder first), as a careless program would, and prints the path loaded: the control that shows a
// planted DLL is really picked up.

#include <windows.h>

#include <cstdio>

int main(int argc, char **argv) {
  char path[MAX_PATH] = {};
  HMODULE module = argc == 2 ? LoadLibraryA(argv[1]) : nullptr;
  GetModuleFileNameA(module, path, module ? MAX_PATH : 0);
  std::printf("LOADED %s\n", path);
  return module ? 0 : 1;
}
