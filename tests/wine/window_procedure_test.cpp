// A message handler's exception never crosses the system's window procedure: the window wrapper
// catches it, the message gets 0 and the window goes on taking messages.

#include <gtest/gtest.h>

#include <windows.h>

#include <new>

#include "platform/win32/Wnd.h"

namespace {

UINT g_nThrowMessage = WM_APP + 1;

// Answers the message with 5, or throws when its wParam is 1.
class ThrowingWnd : public CWnd {
public:
  ThrowingWnd() {
    Attach(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  }
  ~ThrowingWnd() override { ::DestroyWindow(m_hWnd); }

protected:
  const MessageMap *GetMessageMap() const override { return &messageMap; }

private:
  LRESULT OnThrowMessage(WPARAM what, LPARAM) {
    if (what == 1)
      throw std::bad_alloc();
    return 5;
  }

  static const MessageEntry messageEntries[];
  static const MessageMap messageMap;
};

const MessageEntry ThrowingWnd::messageEntries[] = {
    on::Registered<ThrowingWnd, &ThrowingWnd::OnThrowMessage>(&g_nThrowMessage),
};
const MessageMap ThrowingWnd::messageMap = MakeMessageMap(&CWnd::messageMap, messageEntries);

TEST(WindowProcedure, AHandlersExceptionStaysInsideTheWindow) {
  ThrowingWnd window;
  ASSERT_TRUE(::IsWindow(window.m_hWnd));
  EXPECT_EQ(::SendMessageW(window.m_hWnd, g_nThrowMessage, 1, 0), 0);
  EXPECT_EQ(::SendMessageW(window.m_hWnd, g_nThrowMessage, 0, 0), 5);
}

} // namespace
