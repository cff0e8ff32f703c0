#pragma once
// Where the process may load DLLs from. The program is often started from a download folder, where a
// planted DLL named like a system one must never be picked up.

#include <windows.h>

// From now on, DLLs that the process loads by name come from the system directory only.
// False when the system offers no such restriction (then only the current directory is left out).
bool RestrictDllSearchToSystemDirectory();

// Loads a DLL by its full path in the system directory; nullptr on failure.
HMODULE LoadSystemLibrary(const wchar_t *fileName);

// A function of a module, looked up at run time; nullptr when the module or the function is missing.
template <class Function>
Function ProcAddress(HMODULE module, const char *name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void *>(::GetProcAddress(module, name))) : nullptr;
}

// A function of a system DLL, looked up at run time; nullptr when this system lacks it.
template <class Function>
Function SystemFunction(const wchar_t *fileName, const char *name) {
  return ProcAddress<Function>(LoadSystemLibrary(fileName), name);
}

// Registers the common control classes (the tooltip) from the system's comctl32.dll.
bool InitCommonControlsFromSystem(DWORD classes);
