// The INF section reader: which lines give hardware IDs, and how it copes with files it cannot read.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "TraceRecorder.h"
#include "install/InfFileHelper.h"
#include "platform/CodePage.h"

namespace {

namespace fs = std::filesystem;

const std::string kInfData = std::string(QUARVEL_TEST_DATA) + "/inf/";

using Values = std::vector<std::string>;

Values ToValues(const CStringArray &list) {
  Values values;
  for (int i = 0; i < list.GetSize(); ++i)
    values.push_back(list[i].str());
  return values;
}

std::string ReadBytes(const std::string &path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Utf16LeWithMark(const std::u16string &text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// Opens an INF and reads one section; the values traced while reading are kept too.
struct SectionRead {
  SectionRead(const std::string &path, const char *section) {
    CInfFileHelper inf;
    opened = inf.Open(path.c_str());
    CStringArray list;
    list.Add("left over from an earlier read");
    found = inf.ReadSectionValues(section, list);
    values = ToValues(list);
    traced = trace.texts;
  }
  TraceRecorder trace;
  bool opened = false;
  bool found = false;
  Values values;
  std::vector<std::string> traced;
};

TEST(InfReader, ModelsSectionOfASmallPackage) {
  const std::string path = kInfData + "example.inf";
  SectionRead amd64(path, "Models.NTamd64");
  ASSERT_TRUE(amd64.opened);
  EXPECT_TRUE(amd64.found);
  EXPECT_EQ(amd64.values, Values{"USB\\VID_05C6&PID_9018&MI_02"});
  EXPECT_EQ(amd64.traced, amd64.values) << "each value is traced as it is read";

  SectionRead x86(path, "Models.NTx86");
  EXPECT_EQ(x86.values, Values{"USB\\VID_05C6&PID_9000&MI_02"});
  // Everything right of the first comma is the value, further commas included.
  SectionRead manufacturer(path, "Manufacturer");
  EXPECT_EQ(manufacturer.values, Values{"NTx86, NTamd64"});
  // Any line with a comma gives a value, whatever the section holds.
  SectionRead strings(path, "Strings");
  EXPECT_EQ(strings.values, Values{"interface 2\""});
}

TEST(InfReader, LineRules) {
  SectionRead spacing(kInfData + "edge_cases.inf", "Spacing");
  ASSERT_TRUE(spacing.found);
  const Values expected = {
      "USB\\VID_05C6&PID_9018&MI_02",                 // white space around the value goes
      "USB\\VID_05C6&PID_9018",                       // no spaces at all
      "USB\\VID_05C6&PID_9018, USB\\VID_05C6&PID_901D", // three items: the last two stay together
      "",                                             // a trailing comma gives an empty value
      ",",                                            // only the first comma splits
      "leading comma",                                // a line may start with its comma
      "100%s done",                                   // percent signs are plain text
      "USB\\VID_05C6&PID_9018&MI_02",                 // duplicates are kept
  };
  // The line after these holds a bracket inside a comment: it and everything behind it are left out.
  EXPECT_EQ(spacing.values, expected);
  EXPECT_EQ(spacing.traced, expected) << "traced as plain text, the empty value included";
}

TEST(InfReader, WhichHeaderCounts) {
  const std::string path = kInfData + "edge_cases.inf";
  // The search is case-sensitive: a lower-case header is another section; the list is emptied.
  SectionRead lower(path, "Models.NTamd64");
  EXPECT_TRUE(lower.opened);
  EXPECT_FALSE(lower.found);
  EXPECT_EQ(lower.values, Values{});
  EXPECT_TRUE(lower.traced.empty());
  // Two sections with one header: only the first is read.
  EXPECT_EQ(SectionRead(path, "Twice").values, Values{"first"});
  // The header may stand anywhere in a line: a comment that mentions it starts the section,
  // and the real header then ends it.
  EXPECT_EQ(SectionRead(path, "Mentioned").values, Values{"before the real header"});
  // A header on the last line (without a line end) gives a section without values.
  SectionRead last(path, "LastHeader");
  EXPECT_TRUE(last.found);
  EXPECT_EQ(last.values, Values{});
  // Only the bracketed name is looked for.
  EXPECT_FALSE(SectionRead(path, "Twice]").found);
  EXPECT_FALSE(SectionRead(path, "").found);
}

TEST(InfReader, EveryReadStartsAtTheTop) {
  TraceRecorder trace;
  CInfFileHelper inf;
  ASSERT_TRUE(inf.Open((kInfData + "edge_cases.inf").c_str()));
  CStringArray list;
  ASSERT_TRUE(inf.ReadSectionValues("LastHeader", list)); // leaves the file at its end
  ASSERT_TRUE(inf.ReadSectionValues("Twice", list));
  EXPECT_EQ(ToValues(list), Values{"first"});
  ASSERT_TRUE(inf.ReadSectionValues("Spacing", list));
  EXPECT_EQ(list.GetSize(), 8);

  // FindSection continues from the line behind the last header when asked to.
  EXPECT_TRUE(inf.FindSection("[Twice]", false));
  EXPECT_TRUE(inf.FindSection("[Twice]", true));
  EXPECT_TRUE(inf.FindSection("second", true)) << "read position is just behind the second header";
  EXPECT_FALSE(inf.FindSection("[Twice]", true));
  EXPECT_FALSE(inf.FindSection("[Twice]", true)) << "the end stays the end";
  EXPECT_TRUE(inf.FindSection("[Twice]", false));
}

TEST(InfReader, LineEndsAndEncodings) {
  TempFolder folder;
  const std::string lf = ReadBytes(kInfData + "example.inf");
  ASSERT_FALSE(lf.empty());
  std::string crlf;
  for (char c : lf)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  std::string utf16 = "\xFF\xFE";
  for (char c : crlf) {
    utf16 += c;
    utf16 += '\0';
  }
  const Values expected = {"USB\\VID_05C6&PID_9018&MI_02"};
  for (const auto &file : {std::make_pair("crlf.inf", crlf), std::make_pair("utf8bom.inf", "\xEF\xBB\xBF" + lf),
                           std::make_pair("utf16.inf", utf16)}) {
    SCOPED_TRACE(file.first);
    SectionRead read(folder.Write(file.first, file.second), "Models.NTamd64");
    EXPECT_TRUE(read.found);
    EXPECT_EQ(read.values, expected);
  }
  // A header right before the end, with a line end.
  EXPECT_TRUE(SectionRead(folder.Write("end.inf", "x\r\n[Models.NTamd64]\r\n"), "Models.NTamd64").found);
}

TEST(InfReader, CodePage936Text) {
  if (!IsAnsiLeadByte(0x81))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters; run with a Chinese locale";
  TempFolder folder;
  // "\x81\x5B" is one character whose trail byte is '[': it neither ends a section nor makes a header.
  const std::string modem = "USB\\VID_05C6&PID_9018&MI_02";
  const std::string models = "[Models]\r\n\"\x81\x5B Modem\" = Inst, " + modem + "\r\n%D% = Inst, second\r\n";
  const std::string han = "\xD0\xCD\xBA\xC5"; // a section name in Chinese
  const std::string chinese = "[" + han + "]\r\n%D% = I, " + han + "\r\n";
  const struct {
    const char *name;
    std::string bytes;
    std::string section;
    Values values;
  } files[] = {
      {"trail.inf", models, "Models", {modem, "second"}},
      {"trailheader.inf", "\x81[Models]\r\n%D% = I, early\r\n" + models, "Models", {modem, "second"}},
      // A Unicode INF reads as the same INF saved in code page 936.
      {"gbk.inf", chinese, han, {han}},
      {"utf16.inf", Utf16LeWithMark(u"[\u578B\u53F7]\r\n%D% = I, \u578B\u53F7\r\n"), han, {han}},
  };
  for (const auto &f : files) {
    SCOPED_TRACE(f.name);
    SectionRead read(folder.Write(f.name, f.bytes), f.section.c_str());
    EXPECT_EQ(read.found, !f.values.empty());
    EXPECT_EQ(read.values, f.values);
  }
}

TEST(InfReader, FilesThatCannotBeRead) {
  TempFolder folder;
  const std::string missing = folder.Path() + "/missing.inf";
  SectionRead read(missing, "Models.NTamd64");
  EXPECT_FALSE(read.opened);
  EXPECT_FALSE(read.found);
  EXPECT_EQ(read.values, Values{});
  EXPECT_TRUE(read.traced.empty());

  CInfFileHelper inf;
  EXPECT_FALSE(inf.Open(folder.Path().c_str())) << "a folder";
  EXPECT_FALSE(inf.Open(""));
  EXPECT_FALSE(inf.FindSection("[Models.NTamd64]", false));
  EXPECT_FALSE(inf.FindSection("[Models.NTamd64]", true));

  // An empty file and a file of binary bytes have no sections.
  EXPECT_FALSE(SectionRead(folder.Write("empty.inf", ""), "Models.NTamd64").found);
  std::string binary;
  for (int i = 0; i < 4096; ++i)
    binary += static_cast<char>((i * 131 + 7) % 256);
  EXPECT_FALSE(SectionRead(folder.Write("binary.inf", binary), "Models.NTamd64").found);
}

TEST(InfReader, NulBytesAreText) {
  using namespace std::string_literals;
  TempFolder folder;
  // Not "nul.inf": Windows takes NUL with any extension for its null device.
  const std::string path = folder.Write("zeros.inf", "[Models.NTamd64]\n%D% = I, \0\0USB\\VID_05C6\0\n%E% = I, after\n"s);
  // A value keeps its NUL bytes; the line behind it is read as usual.
  SectionRead read(path, "Models.NTamd64");
  EXPECT_EQ(read.values, (Values{"\0\0USB\\VID_05C6\0"s, "after"}));
  // A section name or header is looked for whole, not only up to a NUL in it.
  CInfFileHelper inf;
  ASSERT_TRUE(inf.Open(path.c_str()));
  CStringArray list;
  EXPECT_FALSE(inf.ReadSectionValues(CString("Models\0x"s), list));
  EXPECT_FALSE(inf.FindSection(CString("[Models\0"s), false));
  EXPECT_TRUE(inf.FindSection(CString("I, \0\0USB"s), false));
}

TEST(InfReader, OddPathsAndHugeLines) {
  TempFolder folder;
  // Spaces, brackets and a semicolon in the name, and a name in Chinese (in the ANSI code page on Windows).
  const std::string text = "[Models.NTamd64]\n%D% = I, USB\\VID_05C6&PID_9018&MI_02\n";
  for (const char *name : {"odd name; (1) [x].inf", "\xE4\xB8\xAD\xE6\x96\x87.inf"}) {
    SCOPED_TRACE(name);
    const std::string path = folder.Write(name, text);
    if (path.empty()) {
      ADD_FAILURE() << "the ANSI code page cannot spell the name; run with a Chinese locale";
      continue;
    }
    SectionRead read(path, "Models.NTamd64");
    EXPECT_TRUE(read.opened);
    EXPECT_EQ(read.values, Values{"USB\\VID_05C6&PID_9018&MI_02"});
  }

  // A 1 MB value is read whole; its trace is cut to what the channel carries.
  const std::string huge(1 << 20, 'h');
  const std::string hugeHeaderLine = std::string(300000, ';') + "[Models.NTamd64]";
  SectionRead read(folder.Write("huge.inf", hugeHeaderLine + "\n%D% = I, " + huge + "\n%E% = I, tail\n"),
                   "Models.NTamd64");
  ASSERT_TRUE(read.found);
  ASSERT_EQ(read.values.size(), 2u);
  EXPECT_EQ(read.values[0], huge);
  EXPECT_EQ(read.values[1], "tail");
  ASSERT_EQ(read.traced.size(), 2u);
  EXPECT_EQ(read.traced[0], huge.substr(0, 511));

  // A line over the reader's cap ends the search, or the section, there; traced with the file's path.
  const std::string over(CStdioFile::kMaxLineLength + 1, 'o');
  const std::string capped = folder.Write("capped.inf", "[Models.NTamd64]\n%D% = I, a\n" + over + "\n%E% = I, b\n");
  const std::string notFound = folder.Write("capped2.inf", over + "\n[Models.NTamd64]\n%E% = I, b\n");
  const std::string traced = "Line too long, INF not read further:";
  SectionRead section(capped, "Models.NTamd64");
  EXPECT_TRUE(section.found);
  EXPECT_EQ(section.values, Values{"a"});
  EXPECT_EQ(section.traced, (std::vector<std::string>{"a", traced + capped}));
  SectionRead header(notFound, "Models.NTamd64");
  EXPECT_FALSE(header.found);
  EXPECT_EQ(header.traced, std::vector<std::string>{traced + notFound});
}

} // namespace
