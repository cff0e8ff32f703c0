// The Win32 backend, the main dialog and the start routine where only Windows (here Wine) can show them:
// an exception thrown while a message is dispatched or pre-translated never crosses the system's window or
// hook procedure, and reaches the code that acts on it (the dialog's own, the start routine's); the process
// facts the hand-over asks for.

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "app/QuarvelApp.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32ProcessFacts.h"
#include "resource.h"
#include "tests/unit/FakeProcess.h"
#include "tests/unit/InstallTestSupport.h"
#include "ui/DialogTexts.h"
#include "ui/QuarvelDlg.h"
#include "ui/RefreshMessage.h"

namespace {

using namespace quarveltest;

// act gets the first dialog box (a dialog or a message box) this thread runs, from that box's own message
// loop, through a thread timer: the test's hand inside a modal run.
std::function<void(HWND)> g_act;
UINT_PTR g_timer = 0;
void CALLBACK ActOnBox(HWND, UINT, UINT_PTR, DWORD) {
  if (const HWND box = ::GetActiveWindow(); box && g_act)
    std::exchange(g_act, nullptr)(box);
}
void OnFirstBox(std::function<void(HWND)> act) {
  ::KillTimer(nullptr, g_timer);
  g_act = std::move(act);
  g_timer = ::SetTimer(nullptr, 0, 10, &ActOnBox);
}

// The trace, recorded; a broken debugging window makes the handler that traces failAt throw, once.
struct FailingTrace : TraceRecorder {
  std::string failAt;
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM text) override {
    if (!failAt.empty() && failAt == reinterpret_cast<const char *>(text)) {
      failAt.clear();
      throw std::runtime_error("no trace window");
    }
    return TraceRecorder::SendMessageA(window, message, wParam, text);
  }
};

std::wstring Text(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// What the dialog shows of an install's outcome: the status line and whether the folder button shows.
std::pair<std::wstring, bool> Outcome(HWND dialog) {
  return {Text(::GetDlgItem(dialog, IDC_STATUS)), ::IsWindowVisible(::GetDlgItem(dialog, IDC_SELECT_INF)) != FALSE};
}

TEST(StartRoutine, EndsWithThe64BitBuildsCodeOrSaysWhyItCouldNotStart) {
  const std::wstring cannotStart = L"Quarvel could not start: ";
  const struct { const char *what; bool wow64; const char *failAt; bool withTemplate; int exitCode; std::wstring box; } cases[] = {
      {"the 64-bit build ending with 3", true, "", true, 3, L""},
      {"the hand-over throwing", true, "64-bit Windows: running Quarvel64.exe\n", true, 1, cannotStart + L"no trace window."},
      {"no dialog to create", false, "", false, 1, cannotStart + L"its window could not be created."},
  };
  for (const auto &c : cases) {
    FakeProcess facts;
    facts.wow64 = c.wow64;
    facts.exitCode = 3;
    FailingTrace trace;
    trace.failAt = c.failAt;
    CQuarvelApp app(&facts);
    app.m_hInstance = c.withTemplate ? ::GetModuleHandleW(nullptr) : ::GetModuleHandleW(L"kernel32.dll");
    std::wstring box;
    OnFirstBox([&](HWND shown) {
      box = Text(::GetDlgItem(shown, 0xFFFF));
      ::PostMessageW(shown, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(app.InitInstance()) << c.what;
    EXPECT_EQ(app.ExitInstance(), c.exitCode) << c.what;
    EXPECT_EQ(box, c.box) << c.what;
  }
}

// Its pre-translation of a posted WM_APP throws, inside the message hook of the modal run.
class QuarvelDlgThrowingInPreTranslation : public CQuarvelDlg {
  BOOL PreTranslateMessage(MSG *msg) override {
    if (msg->message == WM_APP)
      throw std::runtime_error("no trace window");
    return CQuarvelDlg::PreTranslateMessage(msg);
  }
};

// An exception inside the automatic install ends it as a failed one; one outside an install (in the
// refresh's scan, in the message hook) reaches the dialog's own handler, which traces it, and the dialog
// goes on as it was.
TEST(MainDialog, OnlyAnExceptionInsideAnInstallShowsTheFailure) {
  HookedTree tree(SimMode::Wine);
  ScopedPlatform platform(tree);
  FailingTrace trace;
  TempInfDir dir;
  dir.WriteAllKinds();
  tree.SetModuleFileName(dir.ExePath());
  std::pair<std::wstring, bool> afterInstall, afterRefresh;
  OnFirstBox([&](HWND dialog) {
    trace.failAt = std::string("Search for Device ID: [") + kModemId + "\n]\n"; // the modem pass's installing step
    ::SendMessageW(dialog, WM_COMMAND, IDC_INSTALL, 0);
    afterInstall = Outcome(dialog);
    ::SetDlgItemTextW(dialog, IDC_STATUS, L"");
    ::ShowWindow(::GetDlgItem(dialog, IDC_SELECT_INF), SW_HIDE);
    trace.failAt = kModemId; // read again from the modem INF by the scan the refresh repeats
    ::SendMessageW(dialog, g_nRefreshMessage, 0, 0);
    afterRefresh = Outcome(dialog);
    ::PostMessageW(dialog, WM_APP, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(QuarvelDlgThrowingInPreTranslation().DoModal(), IDCANCEL);
  EXPECT_EQ(afterInstall, std::make_pair(WideFromCodePage(kTextCodePage, kInstallFailedText), true));
  EXPECT_EQ(afterRefresh, std::make_pair(std::wstring(), false));
  EXPECT_EQ(CountText(trace.texts, "Exception: no trace window"), 3);
}

TEST(ProcessFacts, ThisProcessAndTheFilesBesideIt) {
  Win32ProcessFacts facts;
  // A 32-bit test program runs as a 32-bit process on 64-bit Windows; a 64-bit one never says so.
  EXPECT_EQ(facts.Is32BitOn64BitWindows(), sizeof(void *) == 4);
  EXPECT_EQ(facts.ExecutableName(), "wine_tests.exe");
  EXPECT_TRUE(facts.ExistsBesideExecutable("wine_tests.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("no-such-program.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("CMakeFiles")) << "a folder (the build's own) is no program";
  // This program carries the application's version block.
  const ProgramFile self = facts.ReadExecutable().value_or(ProgramFile{});
  EXPECT_EQ(std::tie(self.machine, self.productName, self.fileVersion),
            std::make_tuple(WORD(sizeof(void *) == 8 ? 0x8664 : 0x014C), kProductName, kFileVersion));
  for (const char *none : {"unit_tests.exe", "CTestTestfile.cmake"})
    EXPECT_FALSE(facts.ReadBesideExecutable(none).has_value()) << none << ": no version block, or no PE header";
  DWORD exitCode = 0;
  EXPECT_EQ(facts.RunBesideExecutable("no-such-program.exe", exitCode), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
