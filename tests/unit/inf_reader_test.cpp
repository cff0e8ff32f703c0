// The INF section reader: which lines give hardware IDs, what it traces, and the files it cannot read
// whole.

#include "InstallTestSupport.h"
#include "install/InfFileHelper.h"
#include "platform/CodePage.h"

using namespace std::string_literals;
using Values = std::vector<std::string>;

TEST(InfReader, Sections) {
  const std::string modem = "USB\\VID_05C6&PID_9018&MI_02", han = "\xD0\xCD\xBA\xC5";
  const std::string over(CStdioFile::kMaxLineLength + 1, 'o');
  const struct {
    std::string bytes; // empty: the edge-cases file
    std::string section;
    bool found;
    Values values;
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
  quarveltest::TempInfDir folder;
  const std::string edgeCases = QUARVEL_TEST_DATA "/inf/edge_cases.inf";
  for (const auto &c : cases) {
    if (c.bytes.find('\x81') != std::string::npos && !IsAnsiLeadByte(0x81))
      continue;
    const std::string path = c.bytes.empty() ? edgeCases : folder.Write("s.inf", c.bytes);
    TraceRecorder trace;
    CInfFileHelper inf;
    CStringArray list;
    list.Add("left over from an earlier read");
    EXPECT_EQ(inf.Open(path.c_str()) && inf.ReadSectionValues(CString(c.section), list), c.found) << c.section;
    Values values, traced;
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
