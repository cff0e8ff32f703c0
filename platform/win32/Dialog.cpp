#include "platform/win32/Dialog.h"

#include "platform/win32/WinApp.h"

namespace {
// All windows live on the one user-interface thread, so the hook state is plain static data.
CDialog *g_pCreating = nullptr; // the dialog whose window the creation hook waits for
HHOOK g_hCreationHook = nullptr;
HHOOK g_hMessageHook = nullptr;
int g_nModalDepth = 0; // nested modal runs share one message hook

const ATOM kDialogClassAtom = 32770; // "#32770"

bool IsDialogWindow(HWND window) {
  return static_cast<ATOM>(::GetClassLongPtrW(window, GCW_ATOM)) == kDialogClassAtom;
}
} // namespace

void DDX_Control(CDataExchange *pDX, int controlId, CWnd &control) {
  control.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, controlId);
}

const MessageEntry CDialog::messageEntries[] = {
    on::InitDialog<CDialog, &CDialog::HandleInitDialog>(),
    on::Command<CDialog, &CDialog::HandleOK>(IDOK),
    on::Command<CDialog, &CDialog::HandleCancel>(IDCANCEL),
};
const MessageMap CDialog::messageMap = MakeMessageMap(&CWnd::messageMap, messageEntries);

const MessageMap *CDialog::GetMessageMap() const { return &messageMap; }

CDialog::CDialog(UINT templateId, CWnd *parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

HWND CDialog::ModalOwner() const {
  if (m_pParentWnd)
    return m_pParentWnd->m_hWnd;
  // Without a parent, a dialog opened from the running main window is owned by it.
  CWinApp *app = AfxGetApp();
  if (app && app->m_pMainWnd && app->m_pMainWnd != this)
    return app->m_pMainWnd->m_hWnd;
  return nullptr;
}

INT_PTR CDialog::DoModal() {
  const DWORD thread = ::GetCurrentThreadId();
  if (g_nModalDepth++ == 0)
    g_hMessageHook = ::SetWindowsHookExW(WH_GETMESSAGE, &CDialog::GetMessageHook, nullptr, thread);

  CDialog *outer = g_pCreating;
  g_pCreating = this;
  g_hCreationHook = ::SetWindowsHookExW(WH_CBT, &CDialog::CreationHook, nullptr, thread);

  INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), ModalOwner(),
                                     &CDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
  const DWORD failure = result == -1 ? ::GetLastError() : ERROR_SUCCESS; // kept across the clean-up

  // Still armed when the window was never created (a missing template).
  if (g_hCreationHook) {
    ::UnhookWindowsHookEx(g_hCreationHook);
    g_hCreationHook = nullptr;
  }
  g_pCreating = outer;

  if (--g_nModalDepth == 0 && g_hMessageHook) {
    ::UnhookWindowsHookEx(g_hMessageHook);
    g_hMessageHook = nullptr;
  }
  if (result == -1)
    ::SetLastError(failure);
  return result;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(*this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

// The modal dialog box's own loop already runs IsDialogMessage on each message.
BOOL CDialog::PreTranslateMessage(MSG *msg) { return CWnd::PreTranslateMessage(msg); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange *) {}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_pCreating) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (IsDialogWindow(window)) {
      CDialog *dialog = g_pCreating;
      ::UnhookWindowsHookEx(g_hCreationHook);
      g_hCreationHook = nullptr;
      dialog->Guarded([&] {
        dialog->Attach(window);
        return LRESULT(0);
      });
      return 0;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CDialog::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    MSG *msg = reinterpret_cast<MSG *>(lParam);
    if (msg->hwnd && CWnd::WalkPreTranslateTree(msg))
      msg->message = WM_NULL; // swallowed: the loop dispatches nothing
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK CDialog::DialogProcedure(HWND, UINT message, WPARAM, LPARAM) {
  // Everything is handled in the attached window procedure; the dialog box manager does the rest.
  return message == WM_INITDIALOG ? TRUE : FALSE;
}
