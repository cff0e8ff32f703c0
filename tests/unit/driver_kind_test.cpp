// The rule that decides whether a device belongs to an INF's list of hardware IDs, and the byte
// strings it works on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/DriverKind.h"
#include "platform/CodePage.h"

namespace {

using namespace std::string_literals;

const std::string kDevice = "USB\\VID_05C6&PID_9018&MI_02";

const struct {
  std::vector<std::string> list;
  std::string device;
  bool matches;
} kCases[] = {
    {{kDevice}, kDevice, true},
    {{"USB\\VID_05C6&PID_9018"}, kDevice, true}, // followed by '&'
    {{"USB\\VID_05C6&PID_9018&MI_0"}, kDevice, false},
    {{"usb\\vid_05c6&pid_az"}, "Usb\\Vid_05C6&PID_AZ&mi_02", true},
    {{kDevice}, kDevice + "#1", true},
    {{kDevice}, kDevice + "-1", true},
    {{"USB\\VID"}, kDevice, true}, // followed by '_'
    {{kDevice}, kDevice + "\\1", false},
    // The byte at the entry's length decides, wherever the entry was found.
    {{"PID_9018"}, kDevice, false},
    {{"PID_9018&MI_"}, kDevice, true},
    {{""}, "&", true},
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

TEST(CString, FormatsTextsOfAnyLength) {
  const std::string big(70000, 'q');
  CString text;
  text.Format("X:%d,Y:%s", 7, big.c_str());
  EXPECT_EQ(text.str(), "X:7,Y:" + big);
}

} // namespace
