#include "platform/CStdioFile.h"

#include <cstring>
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
  DropBlock();
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
  DropBlock();
}

void CStdioFile::SeekToBegin() {
  if (!m_pStream)
    return;
  std::rewind(m_pStream);
  m_nPushedBack = -1;
  DropBlock();
  SkipByteOrderMark();
}

// Reads the mark straight from the stream and then seeks, which leaves the block empty: a file
// that another program extends after the open is read to its new end.
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

bool CStdioFile::FillBlock() {
  if (m_block.empty())
    m_block.resize(kBlockSize);
  m_nBlockPos = 0;
  m_nBlockEnd = std::fread(m_block.data(), 1, m_block.size(), m_pStream);
  return m_nBlockEnd > 0;
}

int CStdioFile::NextByte() {
  if (m_nBlockPos == m_nBlockEnd && !FillBlock())
    return -1;
  return static_cast<unsigned char>(m_block[m_nBlockPos++]);
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
  std::string line;
  const bool any = ReadString(line);
  text = CString(line);
  return any;
}

bool CStdioFile::ReadString(std::string &text) {
  text.clear();
  if (!m_pStream)
    return false;
  return m_encoding == Encoding::Ansi ? ReadAnsiLine(text) : ReadUtf16Line(text);
}

// A LF ends the line and a CR right before it goes with it; any other CR is text, as in the C
// runtime's text mode (so "a\r\r\n" is the line "a\r").
bool CStdioFile::ReadAnsiLine(std::string &line) {
  bool any = false;
  for (;;) {
    if (m_nBlockPos == m_nBlockEnd && !FillBlock())
      return any;
    any = true;
    const char *begin = m_block.data() + m_nBlockPos;
    const size_t available = m_nBlockEnd - m_nBlockPos;
    const char *lineFeed = static_cast<const char *>(std::memchr(begin, '\n', available));
    if (!lineFeed) {
      line.append(begin, available);
      m_nBlockPos = m_nBlockEnd;
      continue;
    }
    const size_t length = static_cast<size_t>(lineFeed - begin);
    line.append(begin, length);
    m_nBlockPos += length + 1;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    return true;
  }
}

bool CStdioFile::ReadUtf16Line(std::string &line) {
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
    // hardware IDs are ASCII; other characters have no byte of their own here
    line += unit >= 0x80 ? '?' : static_cast<char>(unit);
  }
  return any;
}
