#include "platform/CStdioFile.h"

#include <cstring>
#include <string>

#include "platform/CodePage.h"

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
  m_bHitLineCap = false;
  DropBlock();
}

void CStdioFile::SeekToBegin() {
  if (!m_pStream)
    return;
  std::rewind(m_pStream);
  m_nPushedBack = -1;
  m_bHitLineCap = false;
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
  if (!m_pStream || m_bHitLineCap)
    return false;
  return m_encoding == Encoding::Ansi ? ReadAnsiLine(text) : ReadUtf16Line(text);
}

// A LF ends the line and a CR right before it goes with it; any other CR is text, as in the C
// runtime's text mode (so "a\r\r\n" is the line "a\r").
bool CStdioFile::ReadAnsiLine(std::string &line) {
  bool any = false;
  for (;;) {
    if (m_nBlockPos == m_nBlockEnd && !FillBlock())
      return line.size() > kMaxLineLength ? EndAtLineCap(line) : any;
    any = true;
    const char *begin = m_block.data() + m_nBlockPos;
    const size_t available = m_nBlockEnd - m_nBlockPos;
    const char *lineFeed = static_cast<const char *>(std::memchr(begin, '\n', available));
    const size_t length = lineFeed ? static_cast<size_t>(lineFeed - begin) : available;
    // One byte more is held until the line ends: it may be the CR of a CR LF.
    if (line.size() + length > kMaxLineLength + 1)
      return EndAtLineCap(line);
    line.append(begin, length);
    if (!lineFeed) {
      m_nBlockPos = m_nBlockEnd;
      continue;
    }
    m_nBlockPos += length + 1;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    return line.size() > kMaxLineLength ? EndAtLineCap(line) : true;
  }
}

bool CStdioFile::EndAtLineCap(std::string &line) {
  m_bHitLineCap = true;
  line.clear();
  line.shrink_to_fit();
  return false;
}

bool CStdioFile::ReadUtf16Line(std::string &line) {
  bool any = false;
  std::u16string units;
  bool ascii = true;
  for (;;) {
    // Every unit converts to one byte at least (a surrogate half to '?'): more units than the cap
    // make a line over it, known before converting them.
    if (units.size() > kMaxLineLength)
      return EndAtLineCap(line);
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
      units += u'\r'; // a lone CR is text, as in the C runtime's text mode
      continue;
    }
    units += static_cast<char16_t>(unit);
    ascii = ascii && unit < 0x80;
  }
  // Most lines are ASCII and need no conversion.
  if (ascii)
    line.assign(units.begin(), units.end());
  else
    line = AnsiFromUtf16(units);
  // A double-byte character is two bytes of the cap.
  return line.size() > kMaxLineLength ? EndAtLineCap(line) : any;
}
