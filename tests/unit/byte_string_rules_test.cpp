// Rules over byte strings in the ANSI code page: whether a device belongs to an INF's list of hardware
// IDs, and how a trace text is cut for the trace channel. (CString's formatting is checked where the
// hand-over and the start routine format their reasons.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TraceRecorder.h"
#include "install/DriverKind.h"
#include "platform/CodePage.h"
#include "trace/DebugTrace.h"

namespace {

using namespace std::string_literals;

const std::string kDevice = "USB\\VID_05C6&PID_9018&MI_02";

const struct { std::vector<std::string> list; std::string device; bool matches; } kCases[] = {
    {{kDevice}, kDevice, true},
    {{"USB\\VID_05C6&PID_9018"}, kDevice, true}, // followed by '&'
    {{"USB\\VID_05C6&PID_9018&MI_0"}, kDevice, false},
    {{"usb\\vid_05c6&pid_az"}, "Usb\\Vid_05C6&PID_AZ&mi_02", true},
    {{kDevice}, kDevice + "#1", true},
    {{kDevice}, kDevice + "-1", true},
    {{"USB\\VID"}, kDevice, true}, // followed by '_'
    // The byte at the entry's length decides, wherever the entry was found.
    {{"PID_9018"}, kDevice, false},
    {{"PID_9018&MI_"}, kDevice, true},
    {{""}, kDevice, false},
    {{"USB"}, "", false},
    {{}, kDevice, false},
    {{"USB\\VID_1234", "USB\\VID_05C6&PID_9018&MI_0", "USB\\VID_05C6&PID_9018"}, kDevice, true},
    // NUL bytes from a damaged INF are bytes like any other: seven once matched every USB\VID_ ID.
    {{std::string(7, '\0')}, kDevice, false},
    {{"USB\\VID_05C6\0&PID_901"s}, kDevice, false},
    {{"usb\0x"s}, "USB\0X&1"s, true},
    // 0x81 0x61 is one GBK character; its trail byte must not turn into 'A'.
    {{"USB\\\x81" "A"}, "USB\\\x81" "a", false},
    {{"\x81" "A"}, "\x81" "a", false}, // also as the very first character
    {{"usb\\\x81" "a"}, "USB\\\x81" "a&MI_00", true},
};

TEST(HardwareIdMatch, Table) {
  for (const auto &c : kCases) {
    if (c.device.find('\x81') != std::string::npos && !IsAnsiLeadByte(0x81))
      continue;
    CStringArray list;
    for (const std::string &entry : c.list)
      list.Add(CString(entry));
    EXPECT_EQ(MatchHardwareId(list, CString(c.device)), c.matches) << c.list.size() << " entries against " << c.device;
  }
}

TEST(DebugTrace, TextsAreSentWholeUpTo511BytesNeverSplitACharacterAndKeepTheLastError) {
  std::string letters;
  for (int i = 0; i < 2000; ++i)
    letters += static_cast<char>('a' + i % 26);
  const std::string han = "\xD6\xD0", a510(510, 'a'); // han: one character in code page 936
  const struct { std::string text, sent; } cases[] = {
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

} // namespace
