// The text file reader under the INF reader: line ends, encodings, the line cap, rewinding.

#include "InstallTestSupport.h"
#include "platform/CStdioFile.h"

namespace {

using quarveltest::Utf16Le;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

Lines ReadAllLines(CStdioFile &file) {
  Lines lines;
  CString line;
  while (file.ReadString(line))
    lines.push_back(line.str());
  return lines;
}

TEST(StdioFile, LinesOfEachEncodingReadTwice) {
  const std::string longest(CStdioFile::kMaxLineLength, 'x');
  const struct {
    std::string bytes;
    Lines lines;
  } files[] = {
      // CR LF and a lone LF end a line; a lone CR is text; the last line needs no line end.
      {"one\r\ntwo\na\rb\r\r\n\nlast", {"one", "two", "a\rb\r", "", "last"}},
      {"\xD6\xD0\n" "a\0b\r\n\xFF"s, {"\xD6\xD0", "a\0b"s, "\xFF"}},
      {"", {}},
      {"\xEF\xBB\xBF[Models]\r\nx", {"[Models]", "x"}},
      {"a\n\xEF\xBB\xBF" "b", {"a", "\xEF\xBB\xBF" "b"}}, // a mark counts only at the start
      {"\xEF\xBB", {"\xEF\xBB"}},
      // UTF-16LE comes in the ANSI code page; a character it cannot spell becomes '?'.
      {Utf16Le(u"[Models]\r\nUSB\\X\n\u4E2D\u6587\r\n\u0E01[\r\n\u0080]\na\rb\r"),
       {"[Models]", "USB\\X", "\xD6\xD0\xCE\xC4", "?[", "?]", "a\rb\r"}},
      {Utf16Le(std::u16string(u"a\r\0b", 4)), {"a\r\0b"s}},
      // Each half of a surrogate pair the code page lacks is a '?' of its own, paired or not.
      {Utf16Le(u"\xDC00\xDC00|\xDBFF\xDFFF|"), {"??|??|"}},
      {"\xFF\xFE", {}},                        // the mark of an empty UTF-16 file
      {Utf16Le(u"ab") + "c", {"ab"}}, // a dangling half character ends the text
      {longest + "\r\nnext", {longest, "next"}},
      {longest, {longest}}, // the last line, at the cap
      {std::string(65535, 'b') + "\r\nnext", {std::string(65535, 'b'), "next"}}, // CR and LF in two read blocks
      {Utf16Le(std::u16string(longest.begin(), longest.end())), {longest}},
      // One byte or unit more ends the reading there, as a read error would.
      {"first\n" + longest + "o\nlast\n", {"first"}},
      {"first\n" + longest + "o", {"first"}},
      {Utf16Le(u"first\n" + std::u16string(longest.begin(), longest.end()) + u"o\nlast"), {"first"}},
  };
  quarveltest::TempInfDir folder;
  // One reader for every file: nothing of one file (encoding, cap, half-read block) may linger.
  CStdioFile file;
  EXPECT_FALSE(file.Open(folder.PathOf("missing.inf").c_str(), CStdioFile::modeRead));
  EXPECT_FALSE(file.Open("", CStdioFile::modeRead));
  EXPECT_FALSE(file.Open(folder.Dir().c_str(), CStdioFile::modeRead)) << "a folder is no text file";
  int n = 0;
  for (const auto &f : files) {
    SCOPED_TRACE(f.bytes.substr(0, 40));
    ASSERT_TRUE(file.Open(folder.Write(std::to_string(n++) + ".txt", f.bytes).c_str(), CStdioFile::modeRead));
    EXPECT_EQ(ReadAllLines(file), f.lines);
    file.SeekToBegin();
    EXPECT_EQ(ReadAllLines(file), f.lines) << "read again from the top";
  }
}

} // namespace
