// Rules over byte strings in the ANSI code page: whether a device belongs to an INF's list of hardware
// IDs, and how a trace text is cut for the trace channel. (CString's formatting is checked where the
// hand-over and the start routine format their reasons.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/DriverKind.h"
#include "platform/CodePage.h"
#include "platform/sim/SimTraceWindow.h"
#include "trace/DebugTrace.h"

namespace {

using namespace std::string_literals;

const std::string kDevice = "USB\\VID_05C6&PID_9018&MI_02";

const struct { std::vector<std::string> list; std::string device; bool matches; } kCases[] = {
    {.list = {kDevice}, .device = kDevice, .matches = true},
    {.list = {"USB\\VID_05C6&PID_9018"}, .device = kDevice, .matches = true}, // followed by '&'
    {.list = {"USB\\VID_05C6&PID_9018&MI_0"}, .device = kDevice, .matches = false},
    {.list = {"usb\\vid_05c6&pid_az"}, .device = "Usb\\Vid_05C6&PID_AZ&mi_02", .matches = true},
    {.list = {kDevice}, .device = kDevice + "#1", .matches = true},
    {.list = {kDevice}, .device = kDevice + "-1", .matches = true},
    {.list = {"USB\\VID"}, .device = kDevice, .matches = true}, // followed by '_'
    // The byte at the entry's length decides, wherever the entry was found.
    {.list = {"PID_9018"}, .device = kDevice, .matches = false},
    {.list = {"PID_9018&MI_"}, .device = kDevice, .matches = true},
    {.list = {""}, .device = kDevice, .matches = false},
    {.list = {"USB"}, .device = "", .matches = false},
    {.list = {}, .device = kDevice, .matches = false},
    {.list = {"USB\\VID_1234", "USB\\VID_05C6&PID_9018&MI_0", "USB\\VID_05C6&PID_9018"}, .device = kDevice,
     .matches = true},
    // NUL bytes from a damaged INF are bytes like any other: seven once matched every USB\VID_ ID.
    {.list = {std::string(7, '\0')}, .device = kDevice, .matches = false},
    {.list = {"USB\\VID_05C6\0&PID_901"s}, .device = kDevice, .matches = false},
    {.list = {"usb\0x"s}, .device = "USB\0X&1"s, .matches = true},
    // 0x81 0x61 is one GBK character; its trail byte must not turn into 'A'.
    {.list = {"USB\\\x81" "A"}, .device = "USB\\\x81" "a", .matches = false},
    {.list = {"\x81" "A"}, .device = "\x81" "a", .matches = false}, // also as the very first character
    {.list = {"usb\\\x81" "a"}, .device = "USB\\\x81" "a&MI_00", .matches = true},
};

TEST(HardwareIdMatch, Table) {
  for (const auto &c : kCases) {
    if (c.device.find('\x81') != std::string::npos && !IsAnsiLeadByte(0x81))
      continue;
    CStringArray list;
    for (const std::string &entry : c.list)
      list.Add(CString(entry));
    EXPECT_EQ(MatchHardwareId(list, CString(c.device)), c.matches)
        << ::testing::PrintToString(c.list) << " against " << ::testing::PrintToString(c.device);
  }
}

TEST(DebugTrace, TextsAreSentWholeUpTo511BytesNeverSplitACharacterAndKeepTheLastError) {
  std::string letters;
  for (int i = 0; i < 2000; ++i)
    letters += static_cast<char>('a' + i % 26);
  const std::string han = "\xD6\xD0", a510(510, 'a'); // han: one character in code page 936
  const struct { const char *name; std::string text, sent; } cases[] = {
      {.name = "printf marks", .text = "File not found:C:\\100%s%d.inf", .sent = "File not found:C:\\100%s%d.inf"},
      {.name = "511 bytes", .text = letters.substr(0, 511), .sent = letters.substr(0, 511)},
      {.name = "2000 bytes", .text = letters, .sent = letters.substr(0, 511)},
      // Double-byte rows: skipped where the ANSI code page has no such characters.
      {.name = "a character across the cut", .text = a510 + han, .sent = a510},
      {.name = "a character just before the cut", .text = a510.substr(1) + han + han, .sent = a510.substr(1) + han},
      {.name = "a lone lead byte at the end", .text = a510 + han[0], .sent = a510 + han[0]},
  };
  for (const auto &c : cases) {
    if (c.text.find(han[0]) != std::string::npos && !IsAnsiLeadByte(0xD6))
      continue;
    SimTraceWindow trace;
    Platform().SetLastError(1234);
    DebugTrace("%s", c.text.c_str()); // formatted and complete, both send the same text
    DebugTraceText(c.text.c_str());
    trace.open = false;
    DebugTrace("%s", "nowhere");
    DebugTraceText("nowhere");
    EXPECT_EQ(trace.texts, (std::vector<std::string>{c.sent, c.sent})) << c.name;
    EXPECT_EQ(Platform().GetLastError(), 1234u) << c.name << ": the caller's last error";
  }
  Platform().SetLastError(0);
}

} // namespace
