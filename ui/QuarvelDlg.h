#pragma once
// The main dialog: the Install button, the folder button that a failed install reveals, the status
// line, the details of an install's outcome, the About item of the system menu and a tooltip showing the cursor position. The driver
// logic is its installer member, to which it gives a window.

#include "install/InstallerCore.h"
#include "platform/win32/Button.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/ToolTipCtrl.h"

class CQuarvelDlg : public CDialog, private InstallView {
public:
  explicit CQuarvelDlg(CWnd *parent = nullptr);

  BOOL PreTranslateMessage(MSG *msg) override;

  // The chosen folder's path, or an empty string.
  CString BrowseForDriverFolder();

protected:
  const MessageMap *GetMessageMap() const override;
  void DoDataExchange(CDataExchange *pDX) override;
  BOOL OnInitDialog() override;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnBnClickedInstall();
  int OnCreate(LPCREATESTRUCTW createStruct);
  void OnDestroy();
  void OnBnClickedSelectInf();
  void OnMouseMove(UINT flags, POINT point);
  LRESULT OnDevMgrRefresh(WPARAM wParam, LPARAM lParam);
  // A handler threw outside the automatic install, which catches its own: traced, and the dialog goes
  // on as it was (a folder install runs only once the failure line shows).
  LRESULT OnHandlerException() override;

  CButton m_btnInstall;
  HICON m_hIcon;
  CToolTipCtrl m_toolTip;

private:
  // The failure line and the folder button.
  void ShowFailure();
  // The outcome's details in their own area, which shows only while there are some.
  void ShowDetails(const InstallOutcome &outcome);

  // InstallView: the wait cursor while a driver installs.
  void BeginWaitCursor() override;
  void EndWaitCursor() override;

  CInstallerCore m_installer;
  HCURSOR m_hRestoreCursor = nullptr;
  int m_nWaitCursorDepth = 0;

  static const MessageEntry messageEntries[];
  static const MessageMap messageMap;
};
