#pragma once
// Stands in for the process facts: a 32-bit Quarvel.exe on 64-bit Windows with our x86_64 build beside
// it, which runs and ends with exitCode; a test changes the fact its case is about.

#include <stdexcept>

#include "platform/ProcessFacts.h"

// What the version blocks of both builds name: "Quarvel 应用程序", version 1.0.0.1.
inline const std::u16string kSimProductName = u"Quarvel \u5E94\u7528\u7A0B\u5E8F";
inline const std::uint64_t kSimFileVersion = 0x0001000000000001;

class SimProcessFacts : public ProcessFacts {
public:
  bool Is32BitOn64BitWindows() override { return wow64; }
  CString ExecutableName() override { return name; }
  bool ExistsBesideExecutable(PCSTR file) override { return buildBeside && std::string(file) == "Quarvel64.exe"; }
  std::optional<ProgramFile> ReadExecutable() override {
    return ProgramFile{0x014C, kSimProductName, kSimFileVersion};
  }
  std::optional<ProgramFile> ReadBesideExecutable(PCSTR file) override {
    return ExistsBesideExecutable(file) ? build : std::nullopt;
  }
  DWORD RunBesideExecutable(PCSTR, DWORD &code) override {
    if (throws)
      throw std::runtime_error("broken");
    code = exitCode;
    return startCode;
  }

  bool wow64 = true;
  const char *name = "Quarvel.exe";
  bool buildBeside = true; // a file named Quarvel64.exe lies beside it
  std::optional<ProgramFile> build = ProgramFile{0x8664, kSimProductName, kSimFileVersion}; // that file, read
  DWORD startCode = ERROR_SUCCESS, exitCode = 0;
  bool throws = false; // running it throws
};
