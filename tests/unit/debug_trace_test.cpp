// The trace channel against a recording stand-in for the window calls.

#include <gtest/gtest.h>

#include <string>

#include "TraceRecorder.h"
#include "platform/CodePage.h"
#include "platform/DeviceServices.h"
#include "trace/DebugTrace.h"

namespace {

std::string Repeated(const std::string &part, int times) {
  std::string all;
  for (int i = 0; i < times; ++i)
    all += part;
  return all;
}

// The first lookup hands back a handle that no longer names a window.
class StaleFirstLookup : public TraceRecorder {
public:
  HWND FindWindowA(PCSTR className, PCSTR windowName) override {
    HWND found = TraceRecorder::FindWindowA(className, windowName);
    return findCalls == 1 ? reinterpret_cast<HWND>(static_cast<uintptr_t>(0xDEAD)) : found;
  }
  BOOL IsWindow(HWND window) override {
    askedIsWindow.push_back(window);
    return TraceRecorder::IsWindow(window);
  }
  std::vector<HWND> askedIsWindow;
};

// Window calls that leave their own last-error codes behind, as real ones may.
class ErrorSettingWindows : public TraceRecorder {
public:
  HWND FindWindowA(PCSTR className, PCSTR windowName) override {
    Platform().SetLastError(1400);
    return TraceRecorder::FindWindowA(className, windowName);
  }
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    Platform().SetLastError(99);
    return TraceRecorder::SendMessageA(window, message, wParam, lParam);
  }
};

TEST(DebugTrace, DeliversFormattedTextAsItStands) {
  TraceRecorder trace;
  DebugTrace("Search for Device ID: [%s\n]\n", "USB\\VID_05C6&PID_9018&MI_02");
  DebugTrace("%s%d", "\xD6\xD0\xCE\xC4", 7);
  DebugTrace("%s", "");
  const std::vector<std::string> expected = {"Search for Device ID: [USB\\VID_05C6&PID_9018&MI_02\n]\n",
                                             "\xD6\xD0\xCE\xC4" "7", ""};
  EXPECT_EQ(trace.texts, expected);
  EXPECT_EQ(trace.lastTitle, "DebugHelper ");
  EXPECT_EQ(trace.findCalls, 3) << "a window that is there is looked up once per text";
}

TEST(DebugTrace, WithoutAWindowNothingIsFormattedOrSent) {
  TraceRecorder trace;
  trace.open = false;
  DebugTrace("%s", "text");
  DebugTraceText("text");
  EXPECT_TRUE(trace.texts.empty());
  EXPECT_EQ(trace.findCalls, 4) << "two lookups per call";

#ifndef _WIN32
  // %n is the one conversion that shows whether formatting happened.
  int written = -1;
  DebugTrace("abc%n", &written);
  EXPECT_EQ(written, -1);
  trace.open = true;
  DebugTrace("abc%n", &written);
  EXPECT_EQ(written, 3) << "the probe works when a window is open";
#endif
}

TEST(DebugTrace, TheWindowIsFoundByItsTitleInAnyLetterCase) {
  // The lookup ignores letter case, as FindWindowA does; the trailing space is part of the title.
  const struct {
    const char *title;
    bool found;
  } windows[] = {{"DebugHelper ", true}, {"DEBUGHELPER ", true}, {"debughelper ", true},
                 {"DebugHelper", false}, {"DebugHelper  ", false}};
  for (const auto &w : windows) {
    SCOPED_TRACE(w.title);
    TraceRecorder trace;
    trace.title = w.title;
    DebugTrace("%s", "sent");
    DebugTraceText("sent");
    EXPECT_EQ(trace.texts.size(), w.found ? 2u : 0u);
    EXPECT_EQ(trace.lastTitle, "DebugHelper ");
  }
}

TEST(DebugTrace, LooksAgainWhenTheFirstHandleIsStale) {
  StaleFirstLookup trace;
  DebugTrace("%s", "found the second time");
  ASSERT_EQ(trace.askedIsWindow.size(), 1u);
  EXPECT_EQ(trace.askedIsWindow[0], reinterpret_cast<HWND>(static_cast<uintptr_t>(0xDEAD)));
  EXPECT_EQ(trace.findCalls, 2);
  EXPECT_EQ(trace.texts, std::vector<std::string>{"found the second time"});
}

TEST(DebugTrace, LongTextsAreCutTo511Bytes) {
  TraceRecorder trace;
  std::string text(2000, 'x');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char>('a' + i % 26);
  DebugTrace("%s", text.substr(0, 511).c_str());
  DebugTrace("%s", text.substr(0, 512).c_str());
  DebugTrace("%s%s", text.substr(0, 300).c_str(), text.substr(300, 300).c_str());
  DebugTraceText(text.c_str());
  DebugTraceText(text.substr(0, 511).c_str());
  ASSERT_EQ(trace.texts.size(), 5u);
  for (const std::string &sent : trace.texts)
    EXPECT_EQ(sent, text.substr(0, 511));
}

TEST(DebugTrace, TheCutNeverSplitsADoubleByteCharacter) {
  if (!IsAnsiLeadByte(0xD6))
    GTEST_SKIP() << "the ANSI code page has no double-byte characters; run with a Chinese locale";
  const std::string han = "\xD6\xD0"; // one character in code page 936
  const struct {
    std::string text;
    size_t sent;
  } cases[] = {
      {std::string(510, 'a') + han, 510},               // the character would be split: cut before it
      {std::string(509, 'a') + han + "b", 511},         // it ends at 511: kept
      {std::string(509, 'a') + han + han, 511},         // the next one starts at 511: left out
      {Repeated(han, 300), 510},                         // characters all the way: the 256th is left out
      {"a" + Repeated(han, 300), 511},                   // one byte further on, the 255th ends at 511
      {std::string(510, 'a') + han.substr(0, 1), 511},  // a lead byte that ends the text is whole
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sent);
    TraceRecorder trace;
    DebugTrace("%s", c.text.c_str());
    DebugTraceText(c.text.c_str());
    ASSERT_EQ(trace.texts.size(), 2u);
    EXPECT_EQ(trace.texts[0], c.text.substr(0, c.sent));
    EXPECT_EQ(trace.texts[1], c.text.substr(0, c.sent));
  }
}

TEST(DebugTrace, CompleteTextsKeepTheirPercentSigns) {
  TraceRecorder trace;
  DebugTraceText("100%s %d %n %% %");
  DebugTraceText("File not found:C:\\drivers\\%s.inf");
  DebugTraceText(nullptr);
  EXPECT_EQ(trace.texts, (std::vector<std::string>{"100%s %d %n %% %", "File not found:C:\\drivers\\%s.inf"}));
}

TEST(DebugTrace, LeavesTheLastErrorCodeAsItFoundIt) {
  ErrorSettingWindows trace;
  Platform().SetLastError(1234);
  DebugTrace("%s", "formatted");
  EXPECT_EQ(Platform().GetLastError(), 1234u);
  DebugTraceText("complete");
  EXPECT_EQ(Platform().GetLastError(), 1234u);
  trace.open = false;
  DebugTrace("%s", "nowhere");
  DebugTraceText("nowhere");
  EXPECT_EQ(Platform().GetLastError(), 1234u) << "the failed lookups leave no trace either";
  EXPECT_EQ(trace.texts.size(), 2u);
  Platform().SetLastError(0);
}

} // namespace
