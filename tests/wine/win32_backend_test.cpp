// The Win32 backend where only Windows (here Wine) can show it: nothing thrown while a window's message is
// dispatched crosses the system's window procedure; the process facts the hand-over asks for.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

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
  // The harness says which Windows it runs the program on (its wine-run.sh): a 32-bit program on 64-bit
  // Windows is the one case that says so, from the real system calls.
  const char *windows = std::getenv("QUARVEL_WINE_WINDOWS");
  ASSERT_NE(windows, nullptr) << "run by cmake/wine-run.sh, which names the Windows";
  const bool expected = sizeof(void *) == 4 && std::string(windows) == "win64";
  EXPECT_EQ(facts.Is32BitOn64BitWindows(), expected) << "a " << sizeof(void *) * 8 << "-bit program on " << windows;
  EXPECT_EQ(facts.ExecutableName(), "wine_tests.exe");
  EXPECT_TRUE(facts.ExistsBesideExecutable("wine_tests.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("no-such-program.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("CMakeFiles")) << "a folder (the build's own) is no program";
  EXPECT_EQ(facts.StartBesideExecutable("no-such-program.exe"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
