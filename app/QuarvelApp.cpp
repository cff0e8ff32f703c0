#include "app/QuarvelApp.h"

#include "install/HandOver.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32ProcessFacts.h"
#include "platform/win32/WideText.h"
#include "trace/DebugTrace.h"
#include "ui/DialogTexts.h"
#include "ui/QuarvelDlg.h"

#include <commctrl.h>

#include <exception>
#include <string>

// Start-up runs during static initialisation, in this order: DLL loading is restricted to the system
// directory (before anything can load the device-installation libraries), the application object is
// built, then the refresh message number (ui/RefreshMessage.cpp).
namespace {
struct DllSearchRestriction {
  DllSearchRestriction() { RestrictDllSearchToSystemDirectory(); }
};
DllSearchRestriction g_dllSearchRestriction __attribute__((init_priority(101)));

// The failure outcome when there is no dialog to show it in.
void ShowStartFailure() {
  const CWinApp *app = AfxGetApp();
  const std::wstring caption = app ? app->GetAppNameW() : std::wstring();
  ::MessageBoxW(nullptr, WideFromCodePage(kTextCodePage, kInstallFailedText).c_str(), caption.c_str(), MB_OK);
}
} // namespace

CQuarvelApp theApp __attribute__((init_priority(102)));

BOOL CQuarvelApp::InitInstance() {
  // The window procedures keep their handlers' exceptions; one may still come from the hand-over or
  // from building or creating the dialog. None may cross the framework's entry.
  try {
    Win32ProcessFacts facts;
    if (HandOverTo64BitBuild(facts))
      return FALSE; // the 64-bit build shows the dialog
    // The tooltip's window class.
    InitCommonControlsFromSystem(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);
    CQuarvelDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();
  } catch (const std::exception &e) {
    m_pMainWnd = nullptr;
    DebugTrace("Exception: %s", e.what());
    ShowStartFailure();
  } catch (...) {
    m_pMainWnd = nullptr;
    DebugTraceText("Exception");
    ShowStartFailure();
  }

  // No message loop follows: the process ends here.
  return FALSE;
}
