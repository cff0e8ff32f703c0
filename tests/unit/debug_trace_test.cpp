// The trace channel against a recording stand-in for the window calls.

#include <gtest/gtest.h>

#include "TraceRecorder.h"
#include "platform/CodePage.h"
#include "trace/DebugTrace.h"

TEST(DebugTrace, TextsAreSentWholeUpTo511BytesNeverSplitACharacterAndKeepTheLastError) {
  std::string letters;
  for (int i = 0; i < 2000; ++i)
    letters += static_cast<char>('a' + i % 26);
  const std::string han = "\xD6\xD0", a510(510, 'a'); // han: one character in code page 936
  const struct {
    std::string text, sent;
  } cases[] = {
      {"Search for Device ID: [USB\\VID_05C6\n]\n", "Search for Device ID: [USB\\VID_05C6\n]\n"},
      {"File not found:C:\\100%s%d.inf", "File not found:C:\\100%s%d.inf"},
      {letters.substr(0, 511), letters.substr(0, 511)},
      {letters, letters.substr(0, 511)},
      // Double-byte rows: skipped where the ANSI code page has no such characters.
      {a510 + han, a510},
      {a510.substr(1) + han + han, a510.substr(1) + han},
      {a510 + han[0], a510 + han[0]},
  };
  for (const auto &c : cases) {
    if (c.text.find(han[0]) != std::string::npos && !IsAnsiLeadByte(0xD6))
      continue;
    TraceRecorder trace;
    Platform().SetLastError(1234);
    DebugTrace("%s", c.text.c_str()); // formatted and complete, both send the same text
    DebugTraceText(c.text.c_str());
    trace.open = false;
    DebugTrace("%s", "nowhere");
    DebugTraceText("nowhere");
    EXPECT_EQ(trace.texts, (std::vector<std::string>{c.sent, c.sent})) << c.text.size() << " bytes";
    EXPECT_EQ(Platform().GetLastError(), 1234u);
  }
  Platform().SetLastError(0);
}
