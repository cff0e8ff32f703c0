#pragma once
// A line-oriented text file, standing in for the class library's CStdioFile (reading only).
// Text mode: CR LF and a lone LF end a line; line ends are not part of the text. Lines of any
// length are read whole. A file that starts with a UTF-16LE byte-order mark is read as text
// (characters outside ASCII become '?'); a UTF-8 byte-order mark is skipped. A read error ends
// the reading like the end of the file.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/CString.h"

class CStdioFile {
public:
  enum OpenFlags : unsigned { modeRead = 0x0000, shareDenyNone = 0x0040, typeText = 0x4000 };

  CStdioFile() = default;
  virtual ~CStdioFile() { Close(); }
  CStdioFile(const CStdioFile &) = delete;
  CStdioFile &operator=(const CStdioFile &) = delete;

  // Opens for reading; other programs may read and write the file meanwhile.
  bool Open(const char *fileName, unsigned openFlags);
  bool IsOpen() const { return m_pStream != nullptr; }
  // The next line into text; false (text empty) at the end of the file.
  bool ReadString(CString &text);
  // The same into a string whose storage is reused from line to line, for callers that pass over
  // many lines.
  bool ReadString(std::string &text);
  void SeekToBegin();
  void Close();

private:
  enum class Encoding { Ansi, Utf16Le };

  // Bytes are taken from the file a block at a time: a line is found with one search of the block
  // instead of one library call per byte.
  static const size_t kBlockSize = 64 * 1024;

  bool ReadAnsiLine(std::string &line);
  bool ReadUtf16Line(std::string &line);
  // The next code unit of the file's text, or -1 at the end (or on a read error).
  long NextUnit();
  int NextByte();
  // Refills the block; false at the end of the file or on a read error.
  bool FillBlock();
  void DropBlock() { m_nBlockPos = m_nBlockEnd = 0; }
  void SkipByteOrderMark();

  std::FILE *m_pStream = nullptr;
  Encoding m_encoding = Encoding::Ansi;
  long m_nPushedBack = -1;
  std::vector<char> m_block;
  size_t m_nBlockPos = 0; // next unread byte of the block
  size_t m_nBlockEnd = 0; // bytes in the block
};
