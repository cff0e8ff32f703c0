#pragma once
// The system's own words for error codes and its Windows folder, asked of Windows.

#include "platform/SystemText.h"

class Win32SystemText : public SystemText {
public:
  std::u16string ErrorMessage(DWORD code) override;
  std::u16string WindowsDirectory() override;
};
