// The text file reader under the INF reader: line ends, encodings, huge lines, rewinding, failures.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/CStdioFile.h"

namespace {

namespace fs = std::filesystem;

const unsigned kReadFlags = CStdioFile::modeRead | CStdioFile::shareDenyNone | CStdioFile::typeText;

std::vector<std::string> ReadAllLines(CStdioFile &file) {
  std::vector<std::string> lines;
  CString line;
  while (file.ReadString(line))
    lines.push_back(line.str());
  EXPECT_TRUE(line.IsEmpty()) << "the end of the file leaves the text empty";
  return lines;
}

std::vector<std::string> ReadFileLines(const std::string &path) {
  CStdioFile file;
  EXPECT_TRUE(file.Open(path.c_str(), kReadFlags)) << path;
  return ReadAllLines(file);
}

// Each character of text as a UTF-16LE code unit, behind a byte-order mark.
std::string Utf16Le(const std::u16string &text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

using Lines = std::vector<std::string>;

TEST(StdioFile, LineEnds) {
  TempFolder folder;
  // CR LF and a lone LF both end a line and are not part of its text; a lone CR is text.
  EXPECT_EQ(ReadFileLines(folder.Write("mixed.txt", "one\r\ntwo\nthree\r\n")), (Lines{"one", "two", "three"}));
  EXPECT_EQ(ReadFileLines(folder.Write("lonecr.txt", "a\rb\r\nc\r")), (Lines{"a\rb", "c\r"}));
  EXPECT_EQ(ReadFileLines(folder.Write("crcr.txt", "a\r\r\nb")), (Lines{"a\r", "b"}));
  // Empty lines are lines; the last line needs no line end.
  EXPECT_EQ(ReadFileLines(folder.Write("blank.txt", "\n\r\n\nlast")), (Lines{"", "", "", "last"}));
  EXPECT_EQ(ReadFileLines(folder.Write("one.txt", "\n")), (Lines{""}));
  EXPECT_EQ(ReadFileLines(folder.Write("nolf.txt", "only line")), (Lines{"only line"}));
}

TEST(StdioFile, EmptyFileHasNoLines) {
  TempFolder folder;
  CStdioFile file;
  ASSERT_TRUE(file.Open(folder.Write("empty.txt", "").c_str(), kReadFlags));
  CString line = "stale";
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_TRUE(line.IsEmpty());
  EXPECT_FALSE(file.ReadString(line)) << "the end stays the end";
}

TEST(StdioFile, BytesOutsideAsciiPassUnchanged) {
  TempFolder folder;
  // GBK text, a NUL and high bytes are line text like any other byte.
  const std::string gbk = "\xD6\xD0\xCE\xC4\xA3\xA1";
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(ReadFileLines(folder.Write("bytes.txt", gbk + "\n" + withNul + "\r\n\xFF\xFF")),
            (Lines{gbk, withNul, "\xFF\xFF"}));
}

TEST(StdioFile, LinesUpToTheCapAreReadWholeALongerOneEndsTheReading) {
  TempFolder folder;
  std::string longest(CStdioFile::kMaxLineLength, 'x');
  longest[0] = 'A';
  longest.back() = 'Z';
  const Lines lines = ReadFileLines(folder.Write("huge.txt", longest + "\r\nnext\n" + longest));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], longest);
  EXPECT_EQ(lines[1], "next");
  EXPECT_EQ(lines[2], longest);

  // One byte or unit more, with or without a line feed behind it: the reading ends there, as at a
  // read error, until the file is read again from the top.
  const std::string over = longest + "x";
  const struct {
    const char *name;
    std::string bytes;
  } files[] = {
      {"over.txt", "first\n" + over + "\nlast\n"},
      {"overeof.txt", "first\n" + over},
      {"over16.txt", Utf16Le(u"first\n" + std::u16string(over.begin(), over.end()) + u"\nlast")},
  };
  for (const auto &f : files) {
    SCOPED_TRACE(f.name);
    CStdioFile file;
    ASSERT_TRUE(file.Open(folder.Write(f.name, f.bytes).c_str(), kReadFlags));
    EXPECT_EQ(ReadAllLines(file), Lines{"first"});
    EXPECT_TRUE(file.HitLineCap());
    EXPECT_EQ(ReadAllLines(file), Lines{}) << "the end stays the end";
    file.SeekToBegin();
    EXPECT_FALSE(file.HitLineCap());
    EXPECT_EQ(ReadAllLines(file), Lines{"first"});
  }
}

TEST(StdioFile, ByteOrderMarks) {
  TempFolder folder;
  // A UTF-8 mark is skipped; the text behind it is read as bytes.
  EXPECT_EQ(ReadFileLines(folder.Write("utf8.txt", "\xEF\xBB\xBF[Models]\r\nx\xC3\xA9")),
            (Lines{"[Models]", "x\xC3\xA9"}));
  EXPECT_EQ(ReadFileLines(folder.Write("utf8only.txt", "\xEF\xBB\xBF")), Lines{});
  // A mark only counts at the very start.
  EXPECT_EQ(ReadFileLines(folder.Write("utf8late.txt", "a\n\xEF\xBB\xBF" "b")), (Lines{"a", "\xEF\xBB\xBF" "b"}));
  // Two bytes of a UTF-8 mark are no mark.
  EXPECT_EQ(ReadFileLines(folder.Write("utf8half.txt", "\xEF\xBB")), (Lines{"\xEF\xBB"}));

  // UTF-16LE: read as text, line ends included, in the ANSI code page (936 here); a character it
  // cannot spell becomes '?'.
  const std::string utf16 =
      Utf16Le(u"[Models.NTamd64]\r\n%D% = I, USB\\VID_05C6\n\u4E2D\u6587\r\n\u0E01[\r\nend");
  EXPECT_EQ(ReadFileLines(folder.Write("utf16.txt", utf16)),
            (Lines{"[Models.NTamd64]", "%D% = I, USB\\VID_05C6", "\xD6\xD0\xCE\xC4", "?[", "end"}));
  EXPECT_EQ(ReadFileLines(folder.Write("utf16only.txt", "\xFF\xFE")), Lines{});
  // A dangling half character ends the text.
  EXPECT_EQ(ReadFileLines(folder.Write("utf16odd.txt", Utf16Le(u"ab") + "c")), (Lines{"ab"}));
  // A lone CR is text here too.
  EXPECT_EQ(ReadFileLines(folder.Write("utf16cr.txt", Utf16Le(u"a\rb\r"))), (Lines{"a\rb\r"}));
}

TEST(StdioFile, SeekToBeginReadsAgain) {
  TempFolder folder;
  const struct {
    const char *name;
    std::string bytes;
  } files[] = {
      {"ansi.txt", "first\r\nsecond\r"},
      {"utf8.txt", "\xEF\xBB\xBF" "first\r\nsecond\r"},
      {"utf16.txt", Utf16Le(u"first\r\nsecond\r")},
  };
  for (const auto &f : files) {
    SCOPED_TRACE(f.name);
    CStdioFile file;
    ASSERT_TRUE(file.Open(folder.Write(f.name, f.bytes).c_str(), kReadFlags));
    const Lines all = ReadAllLines(file);
    EXPECT_EQ(all, (Lines{"first", "second\r"}));
    file.SeekToBegin();
    EXPECT_EQ(ReadAllLines(file), all) << "after the end";
    file.SeekToBegin();
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    file.SeekToBegin();
    EXPECT_EQ(ReadAllLines(file), all) << "from the middle";
  }
}

TEST(StdioFile, OpenFailures) {
  TempFolder folder;
  CStdioFile file;
  EXPECT_FALSE(file.Open((folder.Path() + "/missing.inf").c_str(), kReadFlags));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Open("", kReadFlags));
  EXPECT_FALSE(file.Open(nullptr, kReadFlags));
  EXPECT_FALSE(file.Open(folder.Path().c_str(), kReadFlags)) << "a folder is no text file";
  EXPECT_FALSE(file.Open((folder.Path() + "/" + std::string(5000, 'n') + ".inf").c_str(), kReadFlags));
  EXPECT_FALSE(file.IsOpen());

  // A file that is not open reads nothing and rewinds harmlessly.
  CString line = "stale";
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_TRUE(line.IsEmpty());
  file.SeekToBegin();
  file.Close();
  file.Close();
}

TEST(StdioFile, ReopeningReadsTheNewFile) {
  TempFolder folder;
  CStdioFile file;
  ASSERT_TRUE(file.Open(folder.Write("a.txt", Utf16Le(u"utf16\r\n")).c_str(), kReadFlags));
  CString line;
  ASSERT_TRUE(file.ReadString(line));
  // The second file is plain bytes: nothing of the first file's encoding may linger.
  ASSERT_TRUE(file.Open(folder.Write("b.txt", "ansi\nx").c_str(), kReadFlags));
  EXPECT_EQ(ReadAllLines(file), (Lines{"ansi", "x"}));
  // A failed open leaves nothing open.
  EXPECT_FALSE(file.Open((folder.Path() + "/missing.txt").c_str(), kReadFlags));
  EXPECT_FALSE(file.IsOpen());
}

TEST(StdioFile, OthersMayWriteWhileOpen) {
  TempFolder folder;
  const std::string path = folder.Write("shared.inf", "one\n");
  // Another writer holds the file; opening for reading must not be refused.
  std::ofstream writer(fs::path(path), std::ios::binary | std::ios::app);
  ASSERT_TRUE(writer.is_open());
  CStdioFile file;
  ASSERT_TRUE(file.Open(path.c_str(), kReadFlags));
  // And our open must not lock out a writer that comes later.
  std::ofstream later(fs::path(path), std::ios::binary | std::ios::app);
  EXPECT_TRUE(later.is_open());
  later << "two\n";
  later.flush();
  EXPECT_EQ(ReadAllLines(file), (Lines{"one", "two"}));
}

} // namespace
