#pragma once
// A line-oriented text file, standing in for the class library's CStdioFile (reading only).
// Text mode: CR LF and a lone LF end a line; line ends are not part of the text. A file that starts
// with a UTF-16LE byte-order mark is read as text converted to the ANSI code page; a UTF-8 byte-order
// mark is skipped. Lines of up to kMaxLineLength bytes, counted in the text as read (converted, for
// UTF-16), are read whole. A read error, or a longer line, ends the reading like the end of the file.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/CString.h"

class CStdioFile {
public:
  enum OpenFlags : unsigned { modeRead = 0x0000, shareDenyNone = 0x0040, typeText = 0x4000 };
  // Far above any real INF line; a file of hundreds of megabytes without a line feed would
  // otherwise be held whole in memory.
  static const size_t kMaxLineLength = 4 * 1024 * 1024;

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
  // Whether the reading ended at a line longer than kMaxLineLength bytes (until the next rewind or open).
  bool HitLineCap() const { return m_bHitLineCap; }

private:
  enum class Encoding { Ansi, Utf16Le };

  // Bytes are taken from the file a block at a time: a line is found with one search of the block
  // instead of one library call per byte.
  static const size_t kBlockSize = 64 * 1024;

  bool ReadAnsiLine(std::string &line);
  bool ReadUtf16Line(std::string &line);
  // Ends the reading at an over-long line: the line is dropped and the reads that follow find nothing.
  bool EndAtLineCap(std::string &line);
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
  bool m_bHitLineCap = false;
  std::vector<char> m_block;
  size_t m_nBlockPos = 0; // next unread byte of the block
  size_t m_nBlockEnd = 0; // bytes in the block
};
