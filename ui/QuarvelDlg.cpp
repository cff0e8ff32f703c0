#include "ui/QuarvelDlg.h"

#include "install/OutcomeWords.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SystemText.h"
#include "platform/win32/WinApp.h"
#include "resource.h"
#include "trace/DebugTrace.h"
#include "ui/AboutDlg.h"
#include "ui/DialogTexts.h"
#include "ui/FolderBrowser.h"
#include "ui/RefreshMessage.h"

#include <string>

namespace {
// BeginPaint / EndPaint around one WM_PAINT.
class PaintContext {
public:
  explicit PaintContext(HWND window) : m_hWnd(window), m_hDC(::BeginPaint(window, &m_paint)) {}
  ~PaintContext() { ::EndPaint(m_hWnd, &m_paint); }
  PaintContext(const PaintContext &) = delete;
  PaintContext &operator=(const PaintContext &) = delete;
  HDC dc() const { return m_hDC; }

private:
  HWND m_hWnd;
  PAINTSTRUCT m_paint = {};
  HDC m_hDC;
};

// A string resource as wide text (the About item is Chinese whatever the system's code page).
std::wstring LoadWideString(UINT id) {
  const wchar_t *text = nullptr;
  // With a zero size LoadStringW hands out a pointer into the resource itself.
  int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::wstring Wide(const std::u16string &text) { return std::wstring(text.begin(), text.end()); }

// Below the details area when it is shown, in dialog units.
const int kDetailsMargin = 4;
} // namespace

const MessageEntry CQuarvelDlg::messageEntries[] = {
    on::SysCommand<CQuarvelDlg, &CQuarvelDlg::OnSysCommand>(),
    on::Paint<CQuarvelDlg, &CQuarvelDlg::OnPaint>(),
    on::QueryDragIcon<CQuarvelDlg, &CQuarvelDlg::OnQueryDragIcon>(),
    on::Command<CQuarvelDlg, &CQuarvelDlg::OnBnClickedInstall>(IDC_INSTALL),
    on::Create<CQuarvelDlg, &CQuarvelDlg::OnCreate>(),
    on::Destroy<CQuarvelDlg, &CQuarvelDlg::OnDestroy>(),
    on::Command<CQuarvelDlg, &CQuarvelDlg::OnBnClickedSelectInf>(IDC_SELECT_INF),
    on::MouseMove<CQuarvelDlg, &CQuarvelDlg::OnMouseMove>(),
    on::Registered<CQuarvelDlg, &CQuarvelDlg::OnDevMgrRefresh>(&g_nRefreshMessage),
};
const MessageMap CQuarvelDlg::messageMap = MakeMessageMap(&CDialog::messageMap, messageEntries);

const MessageMap *CQuarvelDlg::GetMessageMap() const { return &messageMap; }

CQuarvelDlg::CQuarvelDlg(CWnd *parent)
    : CDialog(IDD_MAIN, parent), m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr),
      m_installer(static_cast<InstallView &>(*this)) {}

void CQuarvelDlg::DoDataExchange(CDataExchange *pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_INSTALL, m_btnInstall);
}

BOOL CQuarvelDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
    std::wstring aboutItem = LoadWideString(IDS_ABOUTBOX);
    if (!aboutItem.empty()) {
      ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutItem.c_str());
    }
  }

  ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  // The whole dialog is the tooltip's one tool; the mouse handler keeps its text current.
  m_toolTip.Create(this, TTS_NOPREFIX);
  m_toolTip.AddTool(this, LPSTR_TEXTCALLBACKA, nullptr, 0);
  m_toolTip.SetDelayTime(TTDT_AUTOMATIC, 100);

  return TRUE; // focus to the first control
}

BOOL CQuarvelDlg::PreTranslateMessage(MSG *msg) {
  if (m_toolTip.m_hWnd)
    m_toolTip.RelayEvent(msg);
  return CDialog::PreTranslateMessage(msg);
}

void CQuarvelDlg::OnSysCommand(UINT nID, LPARAM) {
  // The low four bits of a system command are the system's own; only the rest names the command.
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
  } else {
    Default();
  }
}

void CQuarvelDlg::OnPaint() {
  if (!::IsIconic(m_hWnd)) {
    Default();
    return;
  }
  PaintContext paint(m_hWnd);
  ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
  const int iconWidth = ::GetSystemMetrics(SM_CXICON);
  const int iconHeight = ::GetSystemMetrics(SM_CYICON);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  ::DrawIcon(paint.dc(), x, y, m_hIcon);
}

HCURSOR CQuarvelDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CQuarvelDlg::OnBnClickedInstall() {
  // An install cut short by an exception has not installed: its verdict is the failure's.
  InstallOutcome outcome;
  InstallVerdict verdict = InstallVerdict::Failure;
  try {
    outcome = m_installer.RunAutomaticInstall();
    verdict = outcome.Verdict();
  } catch (...) {
    TraceCaughtException();
  }
  switch (verdict) {
  case InstallVerdict::Success: {
    const CWinApp *app = AfxGetApp();
    const std::wstring caption = app ? app->GetAppNameW() : std::wstring();
    std::wstring text = WideFromCodePage(kTextCodePage, kInstallSucceededText);
    if (outcome.RestartNeeded())
      text += L"\n" + Wide(kRestartText);
    ::MessageBoxW(m_hWnd, text.c_str(), caption.c_str(), MB_OK);
    EndDialog(IDOK);
    break;
  }
  case InstallVerdict::Failure:
    ShowDetails(outcome);
    ShowFailure();
    break;
  case InstallVerdict::Ignored:
    break;
  }
}

int CQuarvelDlg::OnCreate(LPCREATESTRUCTW) {
  if (Default() == -1)
    return -1;
  m_installer.ResetScanState();
  return 0;
}

void CQuarvelDlg::OnDestroy() { Default(); }

void CQuarvelDlg::ShowFailure() {
  ::ShowWindow(::GetDlgItem(m_hWnd, IDC_SELECT_INF), SW_SHOW);
  ::SetDlgItemTextW(m_hWnd, IDC_STATUS, WideFromCodePage(kTextCodePage, kInstallFailedText).c_str());
  UpdateData(FALSE);
}

LRESULT CQuarvelDlg::OnHandlerException() {
  TraceCaughtException();
  return 0;
}

void CQuarvelDlg::OnBnClickedSelectInf() {
  // The dialog stays open, without a box: its status line and details tell how the install ended.
  const InstallOutcome outcome = m_installer.RunFolderInstall([this] { return BrowseForDriverFolder(); });
  if (outcome.Verdict() == InstallVerdict::Ignored)
    return;
  ShowDetails(outcome);
  if (outcome.Verdict() == InstallVerdict::Success)
    ::SetDlgItemTextW(m_hWnd, IDC_STATUS, WideFromCodePage(kTextCodePage, kInstallSucceededText).c_str());
  else
    ShowFailure();
}

void CQuarvelDlg::ShowDetails(const InstallOutcome &outcome) {
  Win32SystemText system;
  std::wstring text;
  for (const std::u16string &line : OutcomeDetails(outcome, system))
    text += (text.empty() ? L"" : L"\r\n") + Wide(line);
  HWND details = ::GetDlgItem(m_hWnd, IDC_DETAILS);
  ::SetWindowTextW(details, text.c_str());
  const bool show = !text.empty();
  if (show == ((::GetWindowLongW(details, GWL_STYLE) & WS_VISIBLE) != 0))
    return;
  // The area lies below the dialog as first shown: the dialog grows by its height and a margin, and
  // shrinks back when there is nothing to show.
  RECT area, window, margin = {0, 0, 0, kDetailsMargin};
  ::GetWindowRect(details, &area);
  ::GetWindowRect(m_hWnd, &window);
  ::MapDialogRect(m_hWnd, &margin);
  const int growth = area.bottom - area.top + margin.bottom;
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top + (show ? growth : -growth), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(details, show ? SW_SHOW : SW_HIDE);
}

CString CQuarvelDlg::BrowseForDriverFolder() { return BrowseForFolder(kBrowseFolderTitle); }

void CQuarvelDlg::OnMouseMove(UINT, POINT point) {
  CString text;
  text.Format("X:%d,Y:%d", static_cast<int>(point.x), static_cast<int>(point.y));
  m_toolTip.UpdateTipText(text, this, 0);
  Default();
}

LRESULT CQuarvelDlg::OnDevMgrRefresh(WPARAM, LPARAM) {
  m_installer.OnRefresh();
  return 0;
}

void CQuarvelDlg::BeginWaitCursor() {
  HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  if (m_nWaitCursorDepth++ == 0)
    m_hRestoreCursor = previous;
}

void CQuarvelDlg::EndWaitCursor() {
  if (m_nWaitCursorDepth == 0)
    return;
  if (--m_nWaitCursorDepth == 0)
    ::SetCursor(m_hRestoreCursor);
}
