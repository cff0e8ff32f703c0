// The trace channel against a recording stand-in for the window calls.

#include <gtest/gtest.h>

#include <string>

#include "TraceRecorder.h"
#include "platform/CodePage.h"
#include "platform/DeviceServices.h"
#include "trace/DebugTrace.h"

namespace {

// Both ways in, formatted and complete, must send the same text.
void ExpectSent(const std::string &text, const std::string &sent) {
  TraceRecorder trace;
  DebugTrace("%s", text.c_str());
  DebugTraceText(text.c_str());
  EXPECT_EQ(trace.texts, (std::vector<std::string>{sent, sent})) << text.size() << " bytes";
  EXPECT_EQ(trace.lastTitle, "DebugHelper ");
}

TEST(DebugTrace, TextsAreSentWholeUpTo511BytesAndNeverSplitACharacter) {
  std::string letters(2000, 'x');
  for (size_t i = 0; i < letters.size(); ++i)
    letters[i] = static_cast<char>('a' + i % 26);
  ExpectSent("Search for Device ID: [USB\\VID_05C6\n]\n", "Search for Device ID: [USB\\VID_05C6\n]\n");
  ExpectSent("File not found:C:\\100%s%d.inf", "File not found:C:\\100%s%d.inf");
  ExpectSent(letters.substr(0, 511), letters.substr(0, 511));
  ExpectSent(letters, letters.substr(0, 511));
  if (!IsAnsiLeadByte(0xD6))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters; run with a Chinese locale";
  const std::string han = "\xD6\xD0"; // one character in code page 936
  ExpectSent(std::string(510, 'a') + han, std::string(510, 'a'));
  ExpectSent(std::string(509, 'a') + han + han, std::string(509, 'a') + han);
  ExpectSent(std::string(510, 'a') + han.substr(0, 1), std::string(510, 'a') + han.substr(0, 1));
}

TEST(DebugTrace, WithoutAWindowNothingIsSentAndTheLastErrorStays) {
  TraceRecorder trace;
  trace.errorOnFind = 1400;
  Platform().SetLastError(1234);
  DebugTrace("%s", "formatted");
  DebugTraceText("complete");
  trace.open = false;
  DebugTrace("%s", "nowhere");
  DebugTraceText("nowhere");
  EXPECT_EQ(Platform().GetLastError(), 1234u);
  EXPECT_EQ(trace.texts, (std::vector<std::string>{"formatted", "complete"}));
  Platform().SetLastError(0);
}

} // namespace
