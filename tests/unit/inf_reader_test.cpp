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
  const std::u16string longest16(longest.begin(), longest.end());
  const struct { const char *name; std::string bytes; Lines lines; } files[] = {
      // CR LF and a lone LF end a line; a lone CR is text; the last line needs no line end.
      {.name = "line ends", .bytes = "one\r\ntwo\na\rb\r\r\n\nlast", .lines = {"one", "two", "a\rb\r", "", "last"}},
      {.name = "ANSI bytes and a NUL", .bytes = "\xD6\xD0\n" "a\0b\r\n\xFF"s, .lines = {"\xD6\xD0", "a\0b"s, "\xFF"}},
      {.name = "an empty file", .bytes = "", .lines = {}},
      {.name = "a UTF-8 mark", .bytes = "\xEF\xBB\xBF[Models]\r\nx", .lines = {"[Models]", "x"}},
      {.name = "a UTF-8 mark after the start", .bytes = "a\n\xEF\xBB\xBF" "b", .lines = {"a", "\xEF\xBB\xBF" "b"}},
      {.name = "two bytes of a UTF-8 mark", .bytes = "\xEF\xBB", .lines = {"\xEF\xBB"}},
      // UTF-16LE comes in the ANSI code page; a character it cannot spell becomes '?'.
      {.name = "UTF-16LE",
       .bytes = Utf16Le(u"[Models]\r\nUSB\\X\n\u4E2D\u6587\r\n\u0E01[\r\n\u0080]\na\rb\r"),
       .lines = {"[Models]", "USB\\X", "\xD6\xD0\xCE\xC4", "?[", "?]", "a\rb\r"}},
      {.name = "a UTF-16LE NUL", .bytes = Utf16Le(std::u16string(u"a\r\0b", 4)), .lines = {"a\r\0b"s}},
      // Each half of a surrogate pair the code page lacks is a '?' of its own, paired or not.
      {.name = "UTF-16LE surrogates", .bytes = Utf16Le(u"\xDC00\xDC00|\xDBFF\xDFFF|"), .lines = {"??|??|"}},
      // A dangling half character ends the text as the file's end does (and so a mark alone gives no line).
      {.name = "a dangling half UTF-16 character", .bytes = Utf16Le(u"ab") + "c", .lines = {"ab"}},
      {.name = "a line at the cap", .bytes = longest + "\r\nnext", .lines = {longest, "next"}},
      {.name = "the last line at the cap", .bytes = longest, .lines = {longest}},
      {.name = "CR and LF in two read blocks", .bytes = std::string(65535, 'b') + "\r\nnext",
       .lines = {std::string(65535, 'b'), "next"}},
      {.name = "a UTF-16 line at the cap", .bytes = Utf16Le(longest16), .lines = {longest}},
      // One byte or unit more ends the reading there, as a read error would.
      {.name = "a line over the cap", .bytes = "first\n" + longest + "o\nlast\n", .lines = {"first"}},
      {.name = "the last line over the cap", .bytes = "first\n" + longest + "o", .lines = {"first"}},
      {.name = "a UTF-16 line over the cap", .bytes = Utf16Le(u"first\n" + longest16 + u"o\nlast"), .lines = {"first"}},
      // The cap counts the bytes of the converted text, where a Chinese character takes two.
      {.name = "a UTF-16 line of Chinese at the cap in bytes",
       .bytes = Utf16Le(u"\u4E2D" + std::u16string(longest.size() - 2, u'x')), .lines = {"\xD6\xD0" + longest.substr(2)}},
      {.name = "a UTF-16 line of Chinese at the cap in units",
       .bytes = Utf16Le(u"first\n" + std::u16string(longest.size(), u'\u4E2D') + u"\nlast"), .lines = {"first"}},
  };
  TempInfDir folder;
  // One reader for every file: nothing of one file (encoding, cap, half-read block) may linger.
  CStdioFile file;
  EXPECT_FALSE(file.Open(folder.PathOf("missing.inf").c_str(), CStdioFile::modeRead));
  EXPECT_FALSE(file.Open(folder.Dir().c_str(), CStdioFile::modeRead)) << "a folder is no text file";
  CString line;
  EXPECT_FALSE(file.ReadString(line)) << "a read from no file";
  int n = 0;
  for (const auto &f : files) {
    SCOPED_TRACE(f.name);
    ASSERT_TRUE(file.Open(folder.Write(std::to_string(n++) + ".txt", f.bytes).c_str(), CStdioFile::modeRead));
    EXPECT_EQ(ReadAllLines(file), f.lines);
    EXPECT_FALSE(file.ReadString(line)) << "a read after the end";
    file.SeekToBegin();
    EXPECT_EQ(ReadAllLines(file), f.lines) << "read again from the top";
  }
}

} // namespace

// A text as the trace channel sends it: up to its first NUL.
std::string UpToFirstNul(const std::string &text) { return text.substr(0, text.find('\0')); }

TEST(InfReader, Sections) {
  const std::string modem = "USB\\VID_05C6&PID_9018&MI_02";
  const std::string over(CStdioFile::kMaxLineLength + 1, 'o');
  const struct {
    const char *name;
    bool readEdgeCasesInf = false; // read tests/data/inf/edge_cases.inf instead of the bytes
    std::string bytes{};
    std::string section;
    bool found = true;
    Lines values{};
    bool capped = false; // a line over the cap ended the reading, with a trace
  } cases[] = {
      // White space around a value goes; a second comma ends it (compatible IDs follow it); comments and
      // lines without a comma give nothing; a trailing comment goes, and a bracket inside it does not end
      // the section.
      {.name = "spacing", .readEdgeCasesInf = true, .section = "Spacing",
       .values = {modem, "USB\\VID_05C6&PID_9018", "USB\\VID_05C6&PID_9018", "", "", "leading comma", "100%s done",
                  modem, "USB\\VID_05C6&PID_9018&MI_03", "USB\\VID_AFTER&PID_END"}},
      // Inside double quotes ',', ';' and '[' are text, up to the line's end when the quote is left open; a
      // plain line after such lines reads as ever.
      {.name = "a quoted comma", .bytes = "[QuotedComma]\n\"Modem, rev 2\" = Inst, " + modem + "\n",
       .section = "QuotedComma", .values = {modem}},
      {.name = "a quoted bracket", .bytes = "[QuotedBracket]\n\"[Beta] Modem\" = Inst, " + modem +
                                            "\n%Desc% = Section, HardwareId\n[Next]\n%E% = I, x\n",
       .section = "QuotedBracket", .values = {modem, "HardwareId"}},
      {.name = "a quote left open", .bytes = "[OpenQuote]\n\"[Beta, rev 2 = I, X ; x\n%Desc% = Section, HardwareId\n",
       .section = "OpenQuote", .values = {"HardwareId"}},
      {.name = "the header's letter case", .readEdgeCasesInf = true, .section = "Models.NTamd64", .found = false},
      {.name = "a header twice: the first", .readEdgeCasesInf = true, .section = "Twice", .values = {"first"}},
      {.name = "a comment that mentions the header starts it", .readEdgeCasesInf = true, .section = "Mentioned",
       .values = {"before the real header"}},
      {.name = "NULs in a value", .bytes = "[Models]\n%D% = I, \0\0USB\\VID_05C6\0\n%E% = I, after\n"s,
       .section = "Models", .values = {"\0\0USB\\VID_05C6\0"s, "after"}},
      {.name = "a NUL in the section's name", .bytes = "[Models]\n"s, .section = "Models\0x"s, .found = false},
      {.name = "a header after one byte", .bytes = "x[Models]\n%D% = I, v\n", .section = "Models", .values = {"v"}},
      {.name = "a header is one line's", .bytes = "[Mod\nels]\n%D% = I, x\n", .section = "Models", .found = false},
      // "\x81\x5B" is one character whose trail byte is '[': it neither ends a section nor makes a header.
      {.name = "a trail byte '['",
       .bytes = "\x81[Models]\r\n%D% = I, early\r\n[Models]\r\n%\x81\x5B M% = I, " + modem + "\r\n",
       .section = "Models", .values = {modem}},
      {.name = "a line over the cap", .bytes = "[Models]\n%D% = I, a\n" + over + "\n%E% = I, b\n", .section = "Models",
       .values = {"a"}, .capped = true},
      {.name = "a line over the cap before the section", .bytes = over + "\n[Models]\n%E% = I, b\n",
       .section = "Models", .found = false, .capped = true},
  };
  TempInfDir folder;
  for (const auto &c : cases) {
    if (c.bytes.find('\x81') != std::string::npos && !IsAnsiLeadByte(0x81))
      continue;
    SCOPED_TRACE(c.name);
    const std::string path =
        c.readEdgeCasesInf ? QUARVEL_TEST_DATA "/inf/edge_cases.inf" : folder.Write("s.inf", c.bytes);
    SimTraceWindow trace;
    CInfFileHelper inf;
    CStringArray list;
    list.Add("left over from an earlier read");
    EXPECT_EQ(inf.Open(path.c_str()) && inf.ReadSectionValues(CString(c.section), list), c.found);
    Lines values, traced;
    for (int i = 0; i < list.GetSize(); ++i)
      values.push_back(list[i].str());
    for (const std::string &value : c.values)
      traced.push_back(UpToFirstNul(value)); // each value as read
    if (c.capped)
      traced.push_back("Line too long, INF not read further:" + path);
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(trace.texts, traced);
  }
}
