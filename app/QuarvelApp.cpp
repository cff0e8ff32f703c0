#include "app/QuarvelApp.h"

#include "platform/win32/SystemLibrary.h"
#include "ui/QuarvelDlg.h"
#include "ui/RefreshMessage.h"

#include <commctrl.h>

// Start-up runs during static initialisation, in this order: DLL loading is restricted to the system
// directory (before anything can load the device-installation libraries), the application object is
// built, then the refresh message number below.
namespace {
struct DllSearchRestriction {
  DllSearchRestriction() { RestrictDllSearchToSystemDirectory(); }
};
DllSearchRestriction g_dllSearchRestriction __attribute__((init_priority(101)));
} // namespace

CQuarvelApp theApp __attribute__((init_priority(102)));

UINT g_nRefreshMessage = ::RegisterWindowMessageA(MakeRefreshMessageName());

BOOL CQuarvelApp::InitInstance() {
  // The tooltip's window class.
  InitCommonControlsFromSystem(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);

  CQuarvelDlg dlg(nullptr);
  m_pMainWnd = &dlg;
  dlg.DoModal();

  // No message loop follows: the process ends here.
  return FALSE;
}
