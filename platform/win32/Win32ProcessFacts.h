#pragma once
// The running process as Windows reports it.

#include "platform/ProcessFacts.h"

class Win32ProcessFacts : public ProcessFacts {
public:
  bool Is32BitOn64BitWindows() override;
  CString ExecutableName() override;
  bool ExistsBesideExecutable(PCSTR fileName) override;
  std::optional<ProgramFile> ReadExecutable() override;
  std::optional<ProgramFile> ReadBesideExecutable(PCSTR fileName) override;
  DWORD RunBesideExecutable(PCSTR fileName, DWORD &exitCode) override;
};
