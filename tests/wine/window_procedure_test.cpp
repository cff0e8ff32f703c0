// Nothing thrown while a window's message is dispatched crosses the system's window procedure: the
// window wrapper catches it, the message gets 0 and the window goes on taking messages.

#include <gtest/gtest.h>

#include <windows.h>

#include <new>

#include "platform/win32/Wnd.h"

namespace {

// A message-only window whose dispatch throws while `failing` is set: the message table is looked up
// inside the dispatch, as every handler runs.
class ThrowingWnd : public CWnd {
public:
  ThrowingWnd() {
    Attach(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  }
  ~ThrowingWnd() override { ::DestroyWindow(m_hWnd); }
  bool failing = false;

protected:
  const MessageMap *GetMessageMap() const override {
    if (failing)
      throw std::bad_alloc();
    return CWnd::GetMessageMap();
  }
};

TEST(WindowProcedure, AnExceptionStaysInsideTheWindow) {
  ThrowingWnd window;
  ASSERT_TRUE(::IsWindow(window.m_hWnd));
  window.failing = true;
  EXPECT_EQ(::SendMessageW(window.m_hWnd, WM_SETTEXT, 0, LPARAM(L"abc")), 0);
  window.failing = false;
  EXPECT_EQ(::SendMessageW(window.m_hWnd, WM_SETTEXT, 0, LPARAM(L"abc")), TRUE);
  EXPECT_EQ(::SendMessageW(window.m_hWnd, WM_GETTEXTLENGTH, 0, 0), 3);
}

} // namespace
