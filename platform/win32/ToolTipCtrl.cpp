#include "platform/win32/ToolTipCtrl.h"

#include <cstddef>

CToolTipCtrl::~CToolTipCtrl() {
  // The tooltip usually dies with its owner; a still-living one is ours to close.
  if (m_hWnd && ::IsWindow(m_hWnd))
    ::DestroyWindow(m_hWnd);
}

BOOL CToolTipCtrl::Create(CWnd *parent, DWORD style) {
  m_hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  return m_hWnd != nullptr;
}

// TTTOOLINFOA_V2_SIZE ends where lpReserved begins.
static_assert(offsetof(TTTOOLINFOA, lpReserved) == (sizeof(void *) == 4 ? 44 : 64), "tool record size of the classic controls");

TTTOOLINFOA CToolTipCtrl::ToolInfo(CWnd *window, UINT_PTR toolId) {
  TTTOOLINFOA info = {};
  // The size that the system's classic (version 5) controls accept as well.
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  HWND handle = window ? window->m_hWnd : nullptr;
  if (toolId == 0) {
    // The window itself is the tool, identified by its handle.
    info.hwnd = ::GetParent(handle);
    info.uFlags = TTF_IDISHWND;
    info.uId = reinterpret_cast<UINT_PTR>(handle);
  } else {
    info.hwnd = handle;
    info.uId = toolId;
  }
  return info;
}

BOOL CToolTipCtrl::AddTool(CWnd *window, LPCSTR text, const RECT *toolRect, UINT_PTR toolId) {
  TTTOOLINFOA info = ToolInfo(window, toolId);
  if (toolRect)
    info.rect = *toolRect;
  info.lpszText = const_cast<LPSTR>(text);
  return static_cast<BOOL>(::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(LPCSTR text, CWnd *window, UINT_PTR toolId) {
  TTTOOLINFOA info = ToolInfo(window, toolId);
  info.lpszText = const_cast<LPSTR>(text);
  ::SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::SetDelayTime(DWORD duration, int time) {
  ::SendMessageA(m_hWnd, TTM_SETDELAYTIME, duration, MAKELPARAM(time, 0));
}

void CToolTipCtrl::RelayEvent(MSG *msg) { ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
