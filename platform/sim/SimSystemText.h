#pragma once
// Stands in for the system's message table and Windows folder where there is no Windows to ask.

#include <map>

#include "platform/SystemText.h"

class SimSystemText : public SystemText {
public:
  std::u16string ErrorMessage(DWORD code) override {
    const auto found = messages.find(code);
    return found == messages.end() ? std::u16string() : found->second;
  }
  std::u16string WindowsDirectory() override { return windowsDirectory; }

  std::map<DWORD, std::u16string> messages; // the message table: words by the code they are held under
  std::u16string windowsDirectory = u"C:\\Windows";
};
