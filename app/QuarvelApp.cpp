#include "app/QuarvelApp.h"

#include "install/HandOver.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32ProcessFacts.h"
#include "platform/win32/WideText.h"
#include "trace/DebugTrace.h"
#include "ui/QuarvelDlg.h"

#include <commctrl.h>

#include <string>

BOOL CQuarvelApp::InitInstance() {
  Win32ProcessFacts system;
  m_nExitCode = Start(m_pFacts ? *m_pFacts : system);
  // No message loop follows: the process ends here, with the code ExitInstance gives.
  return FALSE;
}

int CQuarvelApp::ExitInstance() { return m_nExitCode; }

int CQuarvelApp::Start(ProcessFacts &facts) {
  // The window procedures keep their handlers' exceptions; one may still come from the hand-over or
  // from building or creating the dialog. None may cross the framework's entry.
  try {
    if (const std::optional<DWORD> exitCode = HandOverTo64BitBuild(facts))
      return static_cast<int>(*exitCode); // the 64-bit build showed the dialog
    // The tooltip's window class.
    InitCommonControlsFromSystem(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);
    CQuarvelDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    const INT_PTR result = dlg.DoModal();
    m_pMainWnd = nullptr;
    if (result != -1)
      return 0;
    CString why;
    why.Format("its window could not be created (error %lu)", static_cast<unsigned long>(::GetLastError()));
    return StartFailure(why);
  } catch (...) {
    m_pMainWnd = nullptr;
    const std::string what = TraceCaughtException();
    return StartFailure(what.empty() ? "an unknown error" : what.c_str());
  }
}

// Said in a box of its own: there is no dialog, and nothing the install's failure text offers to do.
int CQuarvelApp::StartFailure(const char *why) {
  const std::wstring text = L"Quarvel could not start: " + WideFromCodePage(CP_ACP, why) + L".";
  ::MessageBoxW(nullptr, text.c_str(), GetAppNameW().c_str(), MB_OK | MB_ICONERROR);
  return kStartFailed;
}
