// The Win32 backend where only Windows (here Wine) can show it: nothing thrown while a window's message is
// dispatched crosses the system's window procedure; the process facts the hand-over asks for.

#include <gtest/gtest.h>

#include <windows.h>

#include <new>

#include "platform/win32/Win32ProcessFacts.h"
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

// The wrapper catches it, the message gets 0 and the window goes on taking messages.
TEST(WindowProcedure, AnExceptionStaysInsideTheWindow) {
  ThrowingWnd window;
  ASSERT_TRUE(::IsWindow(window.m_hWnd));
  window.failing = true;
  EXPECT_EQ(::SendMessageW(window.m_hWnd, WM_SETTEXT, 0, LPARAM(L"abc")), 0);
  window.failing = false;
  EXPECT_EQ(::SendMessageW(window.m_hWnd, WM_SETTEXT, 0, LPARAM(L"abc")), TRUE);
  EXPECT_EQ(::SendMessageW(window.m_hWnd, WM_GETTEXTLENGTH, 0, 0), 3);
}

TEST(ProcessFacts, ThisProcessAndTheFilesBesideIt) {
  Win32ProcessFacts facts;
  // A 32-bit test program runs as a 32-bit process on 64-bit Windows; a 64-bit one never says so.
  EXPECT_EQ(facts.Is32BitOn64BitWindows(), sizeof(void *) == 4);
  EXPECT_EQ(facts.ExecutableName(), "wine_tests.exe");
  EXPECT_TRUE(facts.ExistsBesideExecutable("wine_tests.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("no-such-program.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("CMakeFiles")) << "a folder (the build's own) is no program";
  EXPECT_EQ(facts.StartBesideExecutable("no-such-program.exe"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
