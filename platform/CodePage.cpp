#include "platform/CodePage.h"

#ifdef _WIN32
#include <windows.h>

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string AnsiFromUtf16(const std::u16string &text) {
  if (text.empty())
    return std::string();
  const wchar_t *units = reinterpret_cast<const wchar_t *>(text.data());
  const int count = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, units, count, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return std::string(text.size(), '?');
  std::string ansi(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, units, count, &ansi[0], size, nullptr, nullptr);
  return ansi;
}

std::u16string Utf16FromAnsi(const std::string &text) {
  const int count = static_cast<int>(text.size());
  const int size = text.empty() ? 0 : ::MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0);
  std::u16string units(static_cast<std::size_t>(size > 0 ? size : 0), u'\0');
  if (size > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), count, reinterpret_cast<wchar_t *>(&units[0]), size);
  return units;
}
#else
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

// Code page 936 (GBK): lead bytes 0x81 to 0xFE.
bool IsAnsiLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

namespace {
class Converter {
public:
  Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (m_cd != reinterpret_cast<iconv_t>(-1))
      iconv_close(m_cd);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return m_cd; }

private:
  iconv_t m_cd;
};

// bytes in one encoding as another; each unit (of unitSize bytes) that cannot be converted becomes
// unknown, halves of a surrogate pair too, as the system's conversion gives (measured under Wine).
std::string Convert(const char *to, const char *from, std::string bytes, std::size_t unitSize,
                    const std::string &unknown) {
  Converter converter(to, from);
  std::string converted;
  char *in = &bytes[0];
  std::size_t inLeft = converter.ok() ? bytes.size() : 0;
  for (std::size_t unit = inLeft; unit < bytes.size(); unit += unitSize)
    converted += unknown; // without a converter every unit is unknown
  char out[256];
  while (inLeft > 0) {
    char *outAt = out;
    std::size_t outLeft = sizeof out;
    const std::size_t done = iconv(converter.get(), &in, &inLeft, &outAt, &outLeft);
    converted.append(out, static_cast<std::size_t>(outAt - out));
    if (done != static_cast<std::size_t>(-1) || errno == E2BIG)
      continue;
    const std::size_t skip = std::min(unitSize, inLeft);
    converted += unknown;
    in += skip;
    inLeft -= skip;
  }
  return converted;
}

} // namespace

std::string AnsiFromUtf16(const std::u16string &text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return Convert("CP936", "UTF-16LE", bytes, 2, "?");
}

std::u16string Utf16FromAnsi(const std::string &text) {
  const std::string bytes = Convert("UTF-16LE", "CP936", text, 1, std::string("?\0", 2));
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) // little-endian units
    units += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
  return units;
}
#endif

std::size_t FindAtCharacterStart(const std::string &text, const std::string &wanted) {
  std::size_t start = 0; // a byte known to start a character
  for (std::size_t at = text.find(wanted); at != std::string::npos; at = text.find(wanted, at + 1)) {
    while (start < at)
      start += IsAnsiLeadByte(static_cast<unsigned char>(text[start])) && start + 1 < text.size() ? 2 : 1;
    if (start == at)
      return at;
  }
  return std::string::npos;
}

std::size_t WholeCharacterLength(const char *text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit) {
    const std::size_t width = IsAnsiLeadByte(static_cast<unsigned char>(text[length])) ? 2 : 1;
    if (length + width > limit)
      break;
    length += width;
  }
  return length;
}
