#include "platform/CStdioFile.h"

#include <string>

#ifdef _WIN32
#include <share.h>
#else
#include <sys/stat.h>
#endif

bool CStdioFile::Open(const char *fileName, unsigned /*openFlags*/) {
  Close();
  if (!fileName || !*fileName)
    return false;
#ifdef _WIN32
  m_pStream = _fsopen(fileName, "rb", _SH_DENYNO);
#else
  m_pStream = std::fopen(fileName, "rb");
  // fopen opens a directory here; Windows refuses it, and so do we.
  struct stat info;
  if (m_pStream && (fstat(fileno(m_pStream), &info) != 0 || S_ISDIR(info.st_mode))) {
    std::fclose(m_pStream);
    m_pStream = nullptr;
  }
#endif
  if (!m_pStream)
    return false;
  SkipByteOrderMark();
  return true;
}

void CStdioFile::Close() {
  if (m_pStream) {
    std::fclose(m_pStream);
    m_pStream = nullptr;
  }
  m_encoding = Encoding::Ansi;
  m_nPushedBack = -1;
}

void CStdioFile::SeekToBegin() {
  if (!m_pStream)
    return;
  std::rewind(m_pStream);
  m_nPushedBack = -1;
  SkipByteOrderMark();
}

void CStdioFile::SkipByteOrderMark() {
  m_encoding = Encoding::Ansi;
  unsigned char head[3] = {0, 0, 0};
  const size_t got = std::fread(head, 1, sizeof head, m_pStream);
  if (got >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
    m_encoding = Encoding::Utf16Le;
    std::fseek(m_pStream, 2, SEEK_SET);
  } else if (got == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
    // already behind the mark
  } else {
    std::rewind(m_pStream);
  }
}

int CStdioFile::NextByte() {
  const int c = std::fgetc(m_pStream);
  return c == EOF ? -1 : c;
}

long CStdioFile::NextUnit() {
  if (m_nPushedBack >= 0) {
    const long unit = m_nPushedBack;
    m_nPushedBack = -1;
    return unit;
  }
  if (m_encoding == Encoding::Ansi)
    return NextByte();
  const int low = NextByte();
  if (low < 0)
    return -1;
  const int high = NextByte();
  if (high < 0)
    return -1; // a dangling half character ends the text
  return static_cast<long>(low) | (static_cast<long>(high) << 8);
}

bool CStdioFile::ReadString(CString &text) {
  text.Empty();
  if (!m_pStream)
    return false;
  std::string line;
  bool any = false;
  for (;;) {
    const long unit = NextUnit();
    if (unit < 0)
      break;
    any = true;
    if (unit == '\n')
      break;
    if (unit == '\r') {
      const long next = NextUnit();
      if (next == '\n')
        break;
      if (next >= 0)
        m_nPushedBack = next;
      line += '\r'; // a lone CR is text, as in the C runtime's text mode
      continue;
    }
    if (m_encoding == Encoding::Utf16Le && unit >= 0x80)
      line += '?'; // hardware IDs are ASCII; other characters have no byte of their own here
    else
      line += static_cast<char>(unit);
  }
  text = CString(line);
  return any;
}
