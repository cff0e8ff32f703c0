// The Win32 backend, the main dialog and the start routine where only Windows (here Wine) can show them:
// an exception thrown while a message is dispatched or pre-translated never crosses the system's window or
// hook procedure, and reaches the code that acts on it (the dialog's own, the start routine's); the process
// facts the hand-over asks for.

#include "app/QuarvelApp.h"
#include "platform/sim/SimProcessFacts.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32ProcessFacts.h"
#include "resource.h"
#include "tests/unit/InstallTestSupport.h"
#include "ui/DialogTexts.h"
#include "ui/QuarvelDlg.h"

#include <cstdlib>
#include <string>

namespace {

using namespace quarveltest;

// act gets the first dialog box (a dialog or a message box) this thread runs, from that box's own message
// loop, through a thread timer: the test's hand inside a modal run.
std::function<void(HWND)> g_act;
void CALLBACK ActOnBox(HWND, UINT, UINT_PTR timer, DWORD) {
  if (const HWND box = ::GetActiveWindow(); box && g_act && ::KillTimer(nullptr, timer))
    std::exchange(g_act, nullptr)(box);
}
void OnFirstBox(std::function<void(HWND)> act) {
  g_act = std::move(act);
  ::SetTimer(nullptr, 0, 10, &ActOnBox);
}

// What the dialog shows of an install's outcome: the status line and whether the folder button shows.
std::pair<std::wstring, bool> Outcome(HWND dialog) {
  wchar_t status[512] = {};
  ::GetDlgItemTextW(dialog, IDC_STATUS, status, 512);
  return {status, ::IsWindowVisible(::GetDlgItem(dialog, IDC_SELECT_INF)) != FALSE};
}

TEST(StartRoutine, EndsWithThe64BitBuildsCodeOrSaysWhyItCouldNotStart) {
  const std::wstring cannotStart = L"Quarvel could not start: ";
  // Each case changes a 32-bit Quarvel.exe on 64-bit Windows with its x86_64 build beside it.
  const struct {
    const char *what;
    void (*change)(SimProcessFacts &);
    bool withTemplate = true; // the dialog's template in the module
    int exitCode;
    std::wstring box{}; // the start failure's text, if one shows
  } cases[] = {
      {.what = "the 64-bit build ending with 3", .change = [](SimProcessFacts &p) { p.exitCode = 3; }, .exitCode = 3},
      {.what = "the hand-over throwing", .change = [](SimProcessFacts &p) { p.throws = true; }, .exitCode = 1,
       .box = cannotStart + L"broken."},
      // A module without dialog resources: the system names the resource type missing.
      {.what = "no dialog to create", .change = [](SimProcessFacts &p) { p.wow64 = false; }, .withTemplate = false,
       .exitCode = 1, .box = cannotStart + L"its window could not be created (error 1813)."},
  };
  for (const auto &c : cases) {
    SimProcessFacts facts;
    c.change(facts);
    CQuarvelApp app(&facts);
    app.m_hInstance = c.withTemplate ? ::GetModuleHandleW(nullptr) : ::GetModuleHandleW(L"kernel32.dll");
    wchar_t box[512] = {};
    OnFirstBox([&](HWND shown) {
      ::GetDlgItemTextW(shown, 0xFFFF, box, 512);
      ::PostMessageW(shown, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(app.InitInstance()) << c.what;
    EXPECT_EQ(app.ExitInstance(), c.exitCode) << c.what;
    EXPECT_EQ(std::wstring(box), c.box) << c.what;
  }
}

// Handlers outside an install throw: its initialisation, after the dialog's own, and its pre-translation
// of a posted WM_APP, inside the message hook of the modal run.
class QuarvelDlgThatThrows : public CQuarvelDlg {
  BOOL OnInitDialog() override {
    CQuarvelDlg::OnInitDialog();
    throw std::runtime_error("broken");
  }
  BOOL PreTranslateMessage(MSG *msg) override {
    if (msg->message == WM_APP)
      throw std::runtime_error("broken");
    return CQuarvelDlg::PreTranslateMessage(msg);
  }
};

// An exception inside the automatic install ends it as a failed one; one outside an install reaches the
// dialog's own handler, which traces it, and the dialog goes on as it was.
TEST(MainDialog, OnlyAnExceptionInsideAnInstallShowsTheFailure) {
  TempInfDir dir;
  dir.WriteAllKinds();
  Dialog logic(SimMode::Wine, dir.ExePath());
  logic.tree.onUpdate = [] { throw std::runtime_error("broken"); }; // the modem pass's driver update
  OnFirstBox([](HWND dialog) {
    EXPECT_EQ(Outcome(dialog), std::make_pair(std::wstring(), false)) << "after the initialisation threw";
    ::SendMessageW(dialog, WM_COMMAND, IDC_INSTALL, 0);
    EXPECT_EQ(Outcome(dialog), std::make_pair(WideFromCodePage(kTextCodePage, kInstallFailedText), true))
        << "after the install threw";
    ::PostMessageW(dialog, WM_APP, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(QuarvelDlgThatThrows().DoModal(), IDCANCEL) << "the dialog's end";
  EXPECT_EQ(CountText(logic.trace.texts, "Exception: broken"), 3) << "exceptions traced";
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
  EXPECT_FALSE(facts.ExistsBesideExecutable("CMakeFiles")) << "a folder (the build's own) is no program";
  DWORD exitCode = 0;
  EXPECT_EQ(facts.RunBesideExecutable("no-such-program.exe", exitCode), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
