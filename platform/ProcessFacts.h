#pragma once
// What start-up asks of the running process and the folder of its executable. The Win32 backend
// answers for real; tests answer with their own.

#include "platform/CString.h"
#include "platform/PlatformTypes.h"

class ProcessFacts {
public:
  virtual ~ProcessFacts() = default;
  // A 32-bit process on x64 Windows, where only a 64-bit process may install drivers.
  virtual bool Is32BitOn64BitWindows() = 0;
  // The running executable's file name, without its folder.
  virtual CString ExecutableName() = 0;
  // Whether a file of this name lies in the running executable's folder.
  virtual bool ExistsBesideExecutable(PCSTR fileName) = 0;
  // Starts the program of this name from the executable's folder, in this process's working
  // directory and with no command line: ERROR_SUCCESS when it started, else the system's reason.
  virtual DWORD StartBesideExecutable(PCSTR fileName) = 0;
};
