#pragma once
// What start-up asks of the running process and the folder of its executable. The Win32 backend
// answers for real; tests answer with their own.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/CString.h"
#include "platform/PlatformTypes.h"

// What a program file says of itself: its PE header's machine and its version block.
struct ProgramFile {
  WORD machine = 0;             // 0x8664 for x86_64 code, 0x014C for i686
  std::u16string productName;   // the product name of the version block's first language
  std::uint64_t fileVersion = 0; // the fixed file version, its four parts from the most significant
};

class ProcessFacts {
public:
  virtual ~ProcessFacts() = default;
  // A 32-bit process on x64 Windows, where only a 64-bit process may install drivers.
  virtual bool Is32BitOn64BitWindows() = 0;
  // The running executable's file name, without its folder.
  virtual CString ExecutableName() = 0;
  // Whether a file of this name lies in the running executable's folder.
  virtual bool ExistsBesideExecutable(PCSTR fileName) = 0;
  // The running executable, and the file of this name beside it, as programs; nothing when the file
  // has no PE header or no version block to read.
  virtual std::optional<ProgramFile> ReadExecutable() = 0;
  virtual std::optional<ProgramFile> ReadBesideExecutable(PCSTR fileName) = 0;
  // Runs the program of this name from the executable's folder, in this process's working directory
  // and with no command line, and waits for it to end: ERROR_SUCCESS when it ran, with its exit code
  // (or, when that cannot be read, the system's reason), else the system's reason it did not start.
  virtual DWORD RunBesideExecutable(PCSTR fileName, DWORD &exitCode) = 0;
};
