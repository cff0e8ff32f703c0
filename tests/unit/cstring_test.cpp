// The byte-string stand-in: what the reader, the matching and the dialog use of it.

#include <gtest/gtest.h>

#include <string>

#include "platform/CString.h"
#include "platform/CodePage.h"

namespace {

TEST(CString, TrimFindAndMid) {
  CString spaced = " \t\r\n\v\fa b,c \f\v\n\r\t ";
  EXPECT_EQ(spaced.Trim(), "a b,c");
  CString other(std::string("\xA0x\0", 3)); // only the six white-space bytes go
  EXPECT_EQ(other.Trim().GetLength(), 3);
  const CString id = "USB\\VID_05C6&PID_9018&MI_02";
  EXPECT_EQ(id.Find('&', 13), 21);
  EXPECT_EQ(id.Find(CString("VID")), 4);
  EXPECT_EQ(id.Find(CString("vid")), -1);
  EXPECT_EQ(id.Find(CString(std::string("VID\0", 4))), -1) << "a counted string is looked for whole";
  EXPECT_EQ(id.Mid(22), "MI_02");
}

TEST(CString, MakeUpperLeavesDoubleByteCharactersWhole) {
  CString ascii = "usb\\vid_05c6&pid_9018&mi_02 {az}";
  EXPECT_EQ(ascii.MakeUpper(), "USB\\VID_05C6&PID_9018&MI_02 {AZ}");
  if (!IsAnsiLeadByte(0x81))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters";
  CString gbk = "a\x81" "ab\xD6\xD0z\x81"; // 0x81 0x61 is one character; a lead byte at the end stands alone
  EXPECT_EQ(gbk.MakeUpper(), "A\x81" "aB\xD6\xD0Z\x81");
}

TEST(CString, FormatsTextsOfAnyLength) {
  CString s;
  const std::string big(70000, 'q');
  s.Format("<%s>X:%d", big.c_str(), 7);
  EXPECT_EQ(s.str(), "<" + big + ">X:7");
}

} // namespace
