#pragma once
// What the words of an install's outcome ask of the system: its own words for an error code, in the
// user's language, and where Windows lives. The Win32 backend asks Windows; native tests a stand-in.

#include <string>

#include "platform/PlatformTypes.h"

class SystemText {
public:
  virtual ~SystemText() = default;
  // The words the system's message table holds for code (FormatMessageW), as the table gives them,
  // line ends included; empty when it holds none.
  virtual std::u16string ErrorMessage(DWORD code) = 0;
  // The Windows folder, %windir%.
  virtual std::u16string WindowsDirectory() = 0;
};
