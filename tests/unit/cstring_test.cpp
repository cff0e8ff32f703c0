// The byte-string stand-in: the operations the reader and the matching rely on.

#include <gtest/gtest.h>

#include <string>

#include "platform/CString.h"
#include "platform/CodePage.h"

namespace {

TEST(CString, ConstructionKeepsBytes) {
  EXPECT_TRUE(CString().IsEmpty());
  EXPECT_TRUE(CString(static_cast<const char *>(nullptr)).IsEmpty());
  EXPECT_EQ(CString("abcdef", 3), "abc");
  EXPECT_TRUE(CString("abc", -1).IsEmpty());
  EXPECT_TRUE(CString(nullptr, 4).IsEmpty());
  const CString withNul(std::string("a\0b", 3));
  EXPECT_EQ(withNul.GetLength(), 3);
  CString s = "x";
  s = static_cast<const char *>(nullptr);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, FindAndSlices) {
  const CString id = "USB\\VID_05C6&PID_9018&MI_02";
  EXPECT_EQ(id.Find("VID"), 4);
  EXPECT_EQ(id.Find("&"), 12);
  EXPECT_EQ(id.Find("&", 13), 21);
  EXPECT_EQ(id.Find('&', 13), 21);
  EXPECT_EQ(id.Find("vid"), -1) << "byte-exact";
  EXPECT_EQ(id.Find("MI_02X"), -1);
  EXPECT_EQ(id.Find(""), 0) << "the empty text is found at the start";
  EXPECT_EQ(CString().Find(""), 0);
  EXPECT_EQ(id.Find("", id.GetLength()), id.GetLength());
  // Starts outside the string find nothing instead of reading past it.
  EXPECT_EQ(id.Find("0", id.GetLength() + 1), -1);
  EXPECT_EQ(id.Find('0', -1), -1);
  EXPECT_EQ(id.Find(static_cast<const char *>(nullptr)), -1);
  // A counted string is looked for whole: a NUL inside it does not end it early.
  using namespace std::string_literals;
  const CString nulHead("\0\0"s);
  EXPECT_EQ(id.Find(nulHead), -1);
  EXPECT_EQ(CString("ab\0\0c"s).Find(nulHead), 2);
  EXPECT_EQ(id.Find(CString("VID\0"s)), -1);
  EXPECT_EQ(id.Find(CString("&"), 13), 21);
  EXPECT_EQ(id.Find(CString("0"), id.GetLength() + 1), -1);

  EXPECT_EQ(id.Mid(22), "MI_02");
  EXPECT_EQ(id.Mid(4, 8), "VID_05C6");
  EXPECT_EQ(id.Mid(-5, 3), "USB");
  EXPECT_EQ(id.Mid(22, 1000), "MI_02");
  EXPECT_TRUE(id.Mid(id.GetLength()).IsEmpty());
  EXPECT_TRUE(id.Mid(1000).IsEmpty());
  EXPECT_TRUE(id.Mid(3, 0).IsEmpty());
  EXPECT_TRUE(id.Mid(3, -2).IsEmpty());
  EXPECT_EQ(id.Left(3), "USB");
  EXPECT_EQ(id.Left(1000), id);
  EXPECT_TRUE(id.Left(-1).IsEmpty());
}

TEST(CString, TrimRemovesOnlyOuterWhiteSpace) {
  CString s = " \t\r\n\v\fa b\t,c \f\v\n\r\t ";
  EXPECT_EQ(s.Trim(), "a b\t,c");
  CString blank = " \t\r\n\v\f";
  EXPECT_TRUE(blank.Trim().IsEmpty());
  CString empty;
  EXPECT_TRUE(empty.Trim().IsEmpty());
  // Only these six count: a NUL or a non-breaking byte is text.
  CString other(std::string("\xA0x\0", 3));
  EXPECT_EQ(other.Trim().GetLength(), 3);
}

TEST(CString, MakeUpperLeavesDoubleByteCharactersWhole) {
  CString ascii = "usb\\vid_05c6&pid_9018&mi_02 {z}";
  EXPECT_EQ(ascii.MakeUpper(), "USB\\VID_05C6&PID_9018&MI_02 {Z}");

  if (!IsAnsiLeadByte(0x81))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters";
  // In GBK, 0x81 0x61 is one character whose trail byte has the code of 'a': it must stay.
  CString gbk = "a\x81" "ab\xD6\xD0z";
  EXPECT_EQ(gbk.MakeUpper(), "A\x81" "aB\xD6\xD0Z");
  // A lead byte at the very end has no trail byte to protect.
  CString dangling = "x\x81";
  EXPECT_EQ(dangling.MakeUpper(), "X\x81");
}

TEST(CString, FormatAndCompare) {
  CString s;
  s.Format("Search for Device ID: [%s\n]\n", "USB\\VID_05C6");
  EXPECT_EQ(s, "Search for Device ID: [USB\\VID_05C6\n]\n");
  // Longer than any fixed buffer: formatted whole.
  const std::string big(70000, 'q');
  s.Format("<%s>%d", big.c_str(), 7);
  EXPECT_EQ(s.str(), "<" + big + ">7");
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());

  EXPECT_EQ(CString("qcmdm").Compare("qcmdm"), 0);
  EXPECT_NE(CString("qcmdm").Compare("QCMDM"), 0);
  EXPECT_NE(CString("qcmd").Compare("qcmdm"), 0);
  EXPECT_EQ(CString().Compare(nullptr), 0);
  EXPECT_EQ(CString("\\") + CString("a") + "b" + 'c', "\\abc");
  EXPECT_EQ('\\' + CString("x"), "\\x");
  EXPECT_EQ("[" + CString("Models") + "]", "[Models]");
}

} // namespace
