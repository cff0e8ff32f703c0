// A message handler's exception never crosses the system's window procedure: the window wrapper
// catches it and lets the window decide the message's result.

#include <gtest/gtest.h>

#include <windows.h>

#include <new>

#include "platform/win32/Wnd.h"

namespace {

UINT g_nThrowMessage = WM_APP + 1;

enum Throws : WPARAM { kNothing, kStandard, kOther };

class ThrowingWnd : public CWnd {
public:
  explicit ThrowingWnd(bool ownHandling) : m_bOwnHandling(ownHandling) {
    Attach(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  }
  ~ThrowingWnd() override { ::DestroyWindow(m_hWnd); }

  int standardCaught = 0;
  int otherCaught = 0;

protected:
  const MessageMap *GetMessageMap() const override { return &messageMap; }
  LRESULT OnHandlerException() override {
    if (!m_bOwnHandling)
      return CWnd::OnHandlerException();
    try {
      throw;
    } catch (const std::exception &) {
      ++standardCaught;
    } catch (...) {
      ++otherCaught;
    }
    return 7;
  }

private:
  LRESULT OnThrowMessage(WPARAM what, LPARAM) {
    if (what == kStandard)
      throw std::bad_alloc();
    if (what == kOther)
      throw 42;
    return 5;
  }

  bool m_bOwnHandling;
  static const MessageEntry messageEntries[];
  static const MessageMap messageMap;
};

const MessageEntry ThrowingWnd::messageEntries[] = {
    on::Registered<ThrowingWnd, &ThrowingWnd::OnThrowMessage>(&g_nThrowMessage),
};
const MessageMap ThrowingWnd::messageMap = MakeMessageMap(&CWnd::messageMap, messageEntries);

TEST(WindowProcedure, AHandlersExceptionStaysInsideTheWindow) {
  const struct {
    bool ownHandling;
    WPARAM throws;
    LRESULT result;
    int standard;
    int other;
  } cases[] = {
      {true, kStandard, 7, 1, 0},  {true, kOther, 7, 0, 1}, {true, kNothing, 5, 0, 0},
      {false, kStandard, 0, 0, 0}, {false, kOther, 0, 0, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.ownHandling << " " << c.throws);
    ThrowingWnd window(c.ownHandling);
    ASSERT_TRUE(::IsWindow(window.m_hWnd));
    EXPECT_EQ(::SendMessageW(window.m_hWnd, g_nThrowMessage, c.throws, 0), c.result);
    EXPECT_EQ(window.standardCaught, c.standard);
    EXPECT_EQ(window.otherCaught, c.other);
    // The window goes on taking messages.
    EXPECT_EQ(::SendMessageW(window.m_hWnd, g_nThrowMessage, kNothing, 0), 5);
  }
}

} // namespace
