// Driver kinds (section and fallback ID) and the rule that decides whether a device belongs to an INF.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "install/DriverKind.h"
#include "platform/CodePage.h"

namespace {

using namespace std::string_literals;

CStringArray ListOf(std::initializer_list<const char *> entries) {
  CStringArray list;
  for (const char *entry : entries)
    list.Add(entry);
  return list;
}

bool Matches(std::initializer_list<const char *> entries, const char *deviceId) {
  return MatchHardwareId(ListOf(entries), deviceId);
}

TEST(DriverKind, EachKindHasItsFileSectionAndFallbackIdInPassOrder) {
  const struct {
    const char *name, *file, *section, *fallback;
  } rows[] = {{"qcmdm", "\\qcmdm.inf", "Models.NTamd64", "USB\\VID_05C6&PID_9018&MI_02"},
              {"qcser", "\\qcser.inf", "QcomSerialPort", "USB\\VID_05C6&PID_9018&MI_03"},
              {"adb", "\\android_usb.inf", "Vormesk.NTamd64", "USB\\VID_05C6&PID_9018&MI_01"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(kDriverKinds[i].name, rows[i].name);
    EXPECT_STREQ(kDriverKinds[i].infFileName, rows[i].file);
    EXPECT_STREQ(kDriverKinds[i].section, rows[i].section);
    EXPECT_STREQ(kDriverKinds[i].fallbackHardwareId, rows[i].fallback);
  }
}

TEST(HardwareIdMatch, PrefixFollowedBySeparatorOrEnd) {
  const char *device = "USB\\VID_05C6&PID_9018&MI_02";
  EXPECT_TRUE(Matches({"USB\\VID_05C6&PID_9018&MI_02"}, device)) << "the whole ID";
  EXPECT_TRUE(Matches({"USB\\VID_05C6&PID_9018"}, device)) << "followed by &";
  EXPECT_TRUE(Matches({"USB\\VID_05C6&PID_9018&MI"}, device)) << "followed by _";
  EXPECT_TRUE(Matches({"USB\\VID"}, device));
  EXPECT_TRUE(Matches({"USB\\VID_05C6&PID_9018&MI_02"}, "USB\\VID_05C6&PID_9018&MI_02#1"));
  EXPECT_TRUE(Matches({"USB\\VID_05C6&PID_9018&MI_02"}, "USB\\VID_05C6&PID_9018&MI_02-REV"));
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_0"}, device)) << "followed by a digit";
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_901"}, device));
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_02\\"}, "USB\\VID_05C6&PID_9018&MI_02"));
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_02"}, "USB\\VID_05C6&PID_9018&MI_02\\1"));
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_02"}, "USB\\VID_05C6&PID_9018&MI_02 "));
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_02 "}, "USB\\VID_05C6&PID_9018&MI_02"));
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_03"}, device));
}

TEST(HardwareIdMatch, LetterCaseDoesNotMatter) {
  EXPECT_TRUE(Matches({"usb\\vid_05c6&pid_9018"}, "USB\\VID_05C6&PID_9018&MI_02"));
  EXPECT_TRUE(Matches({"USB\\VID_05C6&PID_9018"}, "usb\\vid_05c6&pid_9018&mi_02"));
  EXPECT_TRUE(Matches({"Usb\\Vid_05c6&Pid_9018&Mi_02"}, "uSB\\vID_05C6&pID_9018&mI_02"));
}

TEST(HardwareIdMatch, ByteAtIndexNDecidesWhereverTheEntryStands) {
  // Found inside: the byte behind the occurrence is '&', but the byte at index 8 of the ID is '0'.
  EXPECT_FALSE(Matches({"VID_05C6"}, "USB\\VID_05C6&PID_9018"));
  // Found inside: the byte behind the occurrence is 'X', but the byte at index 2 of the ID is '&'.
  EXPECT_TRUE(Matches({"CD"}, "AB&CDX"));
  // In USB\VID_05C6&PID_9018&MI_02 the separators stand at indexes 7, 12, 16, 21 and 24.
  const char *device = "USB\\VID_05C6&PID_9018&MI_02";
  EXPECT_FALSE(Matches({"PID_9018"}, device)) << "followed by '&', but index 8 holds '0'";
  EXPECT_TRUE(Matches({"PID_9018&MI_"}, device)) << "followed by '0', but index 12 holds '&'";
  EXPECT_TRUE(Matches({"05c6&pi"}, device)) << "followed by 'D', but index 7 holds '_'";
  EXPECT_FALSE(Matches({"9018&MI_02"}, device)) << "ends the ID, but index 10 holds 'C'";
  // The first occurrence is the one searched, but only n counts, so a later one changes nothing.
  EXPECT_TRUE(Matches({"A"}, "B-AA")) << "index 1 holds '-'";
  // An entry longer than the ID is never found in it.
  EXPECT_FALSE(Matches({"USB\\VID_05C6&PID_9018&MI_02&X"}, "USB\\VID_05C6&PID_9018&MI_02"));
}

TEST(HardwareIdMatch, ListsAndEmptyEntries) {
  EXPECT_FALSE(Matches({}, "USB\\VID_05C6&PID_9018&MI_02"));
  EXPECT_FALSE(Matches({}, ""));
  // The first matching entry wins; entries that do not match are passed over.
  EXPECT_TRUE(Matches({"USB\\VID_1234", "USB\\VID_05C6&PID_9018&MI_0", "USB\\VID_05C6&PID_9018"},
                      "USB\\VID_05C6&PID_9018&MI_02"));
  EXPECT_FALSE(Matches({"USB\\VID_1234", "USB\\VID_05C6&PID_9018&MI_0"}, "USB\\VID_05C6&PID_9018&MI_02"));

  // An empty entry: found at 0 with n = 0, so the ID's first byte decides.
  EXPECT_TRUE(Matches({""}, ""));
  for (const char *id : {"&", "-X", "#1", "_USB"}) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(Matches({""}, id));
  }
  EXPECT_FALSE(Matches({""}, "USB\\VID_05C6&PID_9018&MI_02"));
  EXPECT_FALSE(Matches({""}, "1"));
  EXPECT_FALSE(Matches({""}, "\\"));
  EXPECT_TRUE(Matches({"", "USB"}, "USB_VID")) << "an empty entry that fails does not end the search";
  // An empty device ID is matched only by an empty entry.
  EXPECT_FALSE(Matches({"USB"}, ""));
}

TEST(HardwareIdMatch, NulBytesInAnEntryAreMatchedLikeAnyOther) {
  // A damaged INF can put NUL bytes into a value. Such an entry must not act as its head before the
  // NUL: seven NULs once matched every USB\VID_ ID through the '_' at index 7.
  const CString device = "USB\\VID_05C6&PID_9018&MI_02";
  CStringArray nuls;
  nuls.Add(CString(std::string(7, '\0')));
  EXPECT_FALSE(MatchHardwareId(nuls, device));
  CStringArray head;
  head.Add(CString("USB\\VID_05C6\0&PID_901"s)); // its head is found, and index 21 holds '&'
  EXPECT_FALSE(MatchHardwareId(head, device));
  // A NUL is a byte like any other when the device ID holds it too.
  CStringArray same;
  same.Add(CString("usb\0x"s));
  EXPECT_TRUE(MatchHardwareId(same, CString("USB\0X&1"s)));
}

TEST(HardwareIdMatch, DoubleByteCharactersAreNotUpperCasedApart) {
  if (!IsAnsiLeadByte(0x81))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters";
  // 0x81 0x61 is one GBK character; its trail byte must not turn into 'A'.
  EXPECT_FALSE(Matches({"USB\\\x81" "A"}, "USB\\\x81" "a"));
  EXPECT_FALSE(Matches({"USB\\\x81" "a"}, "USB\\\x81" "A"));
  EXPECT_TRUE(Matches({"usb\\\x81" "a"}, "USB\\\x81" "a&MI_00"));
  EXPECT_TRUE(Matches({"\xD6\xD0\xCE\xC4"}, "\xD6\xD0\xCE\xC4_1"));
}

} // namespace
