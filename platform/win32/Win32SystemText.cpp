#include "platform/win32/Win32SystemText.h"

namespace {
// Text that FormatMessageW allocated for its caller.
class LocalText {
public:
  ~LocalText() { ::LocalFree(m_text); }
  wchar_t *m_text = nullptr;
};

std::u16string Utf16(const wchar_t *text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t *>(text), length);
}
} // namespace

std::u16string Win32SystemText::ErrorMessage(DWORD code) {
  LocalText words;
  // Language 0: the thread's, then the user's, then the system's default language.
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<LPWSTR>(&words.m_text), 0, nullptr);
  return words.m_text ? Utf16(words.m_text, length) : std::u16string();
}

std::u16string Win32SystemText::WindowsDirectory() {
  wchar_t folder[MAX_PATH] = {};
  // The system's own Windows folder, not a user's private one on a terminal server.
  const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? Utf16(folder, length) : std::u16string(u"%windir%");
}
