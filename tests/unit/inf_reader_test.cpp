// Reading INF files: the text file reader's lines (line ends, encodings, the line cap, rewinding), and
// the section reader's values: which lines give hardware IDs, what it traces, the files it cannot read whole.

#include "InstallTestSupport.h"
#include "install/InfFileHelper.h"
#include "platform/CStdioFile.h"
#include "platform/CodePage.h"

using namespace std::string_literals;
using namespace quarveltest;
using Lines = std::vector<std::string>;

namespace {

// Each character as a UTF-16LE code unit, behind a byte-order mark.
std::string Utf16Le(const std::u16string &text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text)
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

Lines ReadAllLines(CStdioFile &file) {
  Lines lines;
  CString line;
  while (file.ReadString(line))
    lines.push_back(line.str());
  return lines;
}

TEST(StdioFile, LinesOfEachEncodingReadTwice) {
  const std::string longest(CStdioFile::kMaxLineLength, 'x');
  const struct { std::string bytes; Lines lines; } files[] = {
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
      // The cap counts the bytes of the converted text, where a Chinese character takes two.
      {Utf16Le(u"\u4E2D" + std::u16string(longest.size() - 2, u'x')), {"\xD6\xD0" + longest.substr(2)}},
      {Utf16Le(u"first\n" + std::u16string(longest.size(), u'\u4E2D') + u"\nlast"), {"first"}},
  };
  TempInfDir folder;
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

TEST(InfReader, Sections) {
  const std::string modem = "USB\\VID_05C6&PID_9018&MI_02", han = "\xD0\xCD\xBA\xC5";
  const std::string over(CStdioFile::kMaxLineLength + 1, 'o');
  const struct {
    std::string bytes; // empty: the edge-cases file
    std::string section;
    bool found;
    Lines values;
    bool capped = false; // a line over the cap ended the reading, with a trace
  } cases[] = {
      // White space around a value goes; only the first comma splits; comments and lines without a
      // comma give nothing; a bracket inside a comment ends the section.
      {"", "Spacing", true, {modem, "USB\\VID_05C6&PID_9018", "USB\\VID_05C6&PID_9018, USB\\VID_05C6&PID_901D", "",
                             ",", "leading comma", "100%s done", modem}},
      {"", "Models.NTamd64", false, {}}, // the header's letter case counts
      {"", "Twice", true, {"first"}},
      {"", "Mentioned", true, {"before the real header"}}, // a comment that mentions the header starts it
      {"", "LastHeader", true, {}},
      {"[Models]\n%D% = I, \0\0USB\\VID_05C6\0\n%E% = I, after\n"s, "Models", true, {"\0\0USB\\VID_05C6\0"s, "after"}},
      {"[Models]\n"s, "Models\0x"s, false, {}},
      {"[Mod\nels]\n%D% = I, x\n", "Models", false, {}}, // a header is one line's
      // "\x81\x5B" is one character whose trail byte is '[': it neither ends a section nor makes a header.
      {"\x81[Models]\r\n%D% = I, early\r\n[Models]\r\n\"\x81\x5B M\" = I, " + modem + "\r\n", "Models", true, {modem}},
      {"[" + han + "]\r\n%D% = I, " + han + "\r\n", han, true, {han}},
      {"[Models]\n%D% = I, a\n" + over + "\n%E% = I, b\n", "Models", true, {"a"}, true},
      {over + "\n[Models]\n%E% = I, b\n", "Models", false, {}, true},
  };
  TempInfDir folder;
  for (const auto &c : cases) {
    if (c.bytes.find('\x81') != std::string::npos && !IsAnsiLeadByte(0x81))
      continue;
    const std::string path = c.bytes.empty() ? QUARVEL_TEST_DATA "/inf/edge_cases.inf" : folder.Write("s.inf", c.bytes);
    TraceRecorder trace;
    CInfFileHelper inf;
    CStringArray list;
    list.Add("left over from an earlier read");
    EXPECT_EQ(inf.Open(path.c_str()) && inf.ReadSectionValues(CString(c.section), list), c.found) << c.section;
    Lines values, traced;
    for (int i = 0; i < list.GetSize(); ++i)
      values.push_back(list[i].str());
    for (const std::string &value : c.values)
      traced.push_back(value.c_str()); // each value as read, as far as a text goes
    if (c.capped)
      traced.push_back("Line too long, INF not read further:" + path);
    EXPECT_EQ(values, c.values) << c.section;
    EXPECT_EQ(trace.texts, traced) << c.section;
  }
}
