#pragma once
// Captures what the trace channel would send to an open "DebugHelper " window.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/TraceWindow.h"

class TraceRecorder : public TraceWindow {
public:
  TraceRecorder() : m_scope(*this) {}

  HWND FindWindowA(PCSTR /*className*/, PCSTR windowName) override {
    ++findCalls;
    lastTitle = windowName ? windowName : "";
    return open && SameTitle(lastTitle, title) ? Handle() : nullptr;
  }
  BOOL IsWindow(HWND window) override { return open && window == Handle(); }
  LRESULT SendMessageA(HWND window, UINT message, WPARAM, LPARAM lParam) override {
    if (window == Handle() && message == WM_SETTEXT) {
      const char *text = reinterpret_cast<const char *>(lParam);
      texts.emplace_back(text);
      sentLengths.push_back(std::strlen(text));
    }
    return TRUE;
  }

  // All texts joined, for order checks.
  std::string Joined() const {
    std::string all;
    for (const std::string &t : texts)
      all += t;
    return all;
  }

  bool open = true;                 // is a debugging window open
  std::string title = "DebugHelper "; // the title that window answers to
  int findCalls = 0;
  std::string lastTitle;
  std::vector<std::string> texts;
  std::vector<size_t> sentLengths;

private:
  // FindWindowA ignores letter case.
  static bool SameTitle(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  }
  static HWND Handle() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }
  ScopedTraceWindows m_scope;
};
