#include "platform/win32/WideText.h"

#include <windows.h>

std::wstring WideFromCodePage(unsigned codePage, const char *text) {
  if (!text || !*text)
    return std::wstring();
  int count = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (count <= 1)
    return std::wstring();
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  ::MultiByteToWideChar(codePage, 0, text, -1, &wide[0], count);
  wide.resize(static_cast<std::size_t>(count - 1)); // the terminator
  return wide;
}
