#pragma once
// A modal dialog built from a dialog template resource. DoModal runs the system's modal dialog box;
// the dialog window is attached at its creation (so WM_CREATE reaches the message table too), and
// queued messages are offered to PreTranslateMessage through a message hook, because a modal dialog
// box runs the system's message loop rather than ours.

#include "platform/win32/Wnd.h"

class CDialog;

// What DoDataExchange works with: the dialog and the direction of the exchange.
class CDataExchange {
public:
  CDataExchange(CDialog &dialog, BOOL saveAndValidate) : m_pDlgWnd(&dialog), m_bSaveAndValidate(saveAndValidate) {}
  CDialog *m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds a control wrapper to the dialog's control with this ID.
void DDX_Control(CDataExchange *pDX, int controlId, CWnd &control);

class CDialog : public CWnd {
public:
  explicit CDialog(UINT templateId, CWnd *parent = nullptr);

  // Runs the dialog until EndDialog; the value passed to EndDialog, or -1 if it could not be shown (the
  // last-error code then says why).
  INT_PTR DoModal();
  void EndDialog(int result);
  // Runs the data exchange: FALSE fills the controls, TRUE reads them.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  BOOL PreTranslateMessage(MSG *msg) override;

protected:
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange *pDX);
  virtual void OnOK();
  virtual void OnCancel();

  const MessageMap *GetMessageMap() const override;

  UINT m_nIDTemplate;
  CWnd *m_pParentWnd;

  static const MessageMap messageMap;

private:
  BOOL HandleInitDialog() { return OnInitDialog(); }
  void HandleOK() { OnOK(); }
  void HandleCancel() { OnCancel(); }
  HWND ModalOwner() const;

  static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  static const MessageEntry messageEntries[];
};
