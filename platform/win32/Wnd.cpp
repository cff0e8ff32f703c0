#include "platform/win32/Wnd.h"

#include "platform/win32/WinApp.h"

namespace {
// The window property that leads from an attached window to its wrapper.
const wchar_t kWrapperProperty[] = L"Quarvel.CWnd";
} // namespace

const MessageEntry *MessageMap::Find(UINT message, WPARAM wParam) const {
  for (const MessageMap *map = this; map; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageEntry &entry = map->entries[i];
      if (entry.registered) {
        if (*entry.registered != 0 && *entry.registered == message)
          return &entry;
      } else if (entry.message == message) {
        if (message != WM_COMMAND)
          return &entry;
        if (entry.controlId == LOWORD(wParam) && entry.notification == HIWORD(wParam))
          return &entry;
      }
    }
  }
  return nullptr;
}

const MessageMap CWnd::messageMap = {nullptr, nullptr, 0};

const MessageMap *CWnd::GetMessageMap() const { return &messageMap; }

CWnd::~CWnd() {
  if (m_pfnSuper && m_hWnd && ::IsWindow(m_hWnd))
    Detach();
}

BOOL CWnd::PreTranslateMessage(MSG *) { return FALSE; }

CWnd *CWnd::FromHandlePermanent(HWND window) {
  return window ? static_cast<CWnd *>(::GetPropW(window, kWrapperProperty)) : nullptr;
}

BOOL CWnd::WalkPreTranslateTree(MSG *msg) {
  for (HWND window = msg->hwnd; window;) {
    if (CWnd *wrapper = FromHandlePermanent(window)) {
      // Called from a hook procedure too: guarded as a handler is. A message whose pre-translation
      // threw is dispatched.
      BOOL swallowed = FALSE;
      wrapper->Guarded([&] {
        swallowed = wrapper->PreTranslateMessage(msg);
        return LRESULT(0);
      });
      if (swallowed)
        return TRUE;
    }
    // Stop at the top-level window: its owner is not its parent.
    if (!(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
      break;
    window = ::GetParent(window);
  }
  return FALSE;
}

void CWnd::Attach(HWND window) {
  m_hWnd = window;
  ::SetPropW(window, kWrapperProperty, this);
  m_pfnSuper = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProcedure)));
}

void CWnd::Detach() {
  ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  ::RemovePropW(m_hWnd, kWrapperProperty);
  m_pfnSuper = nullptr;
  m_hWnd = nullptr;
}

LRESULT CWnd::OnHandlerException() { return 0; }

LRESULT CWnd::Default() {
  return ::CallWindowProcW(m_pfnSuper, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CALLBACK CWnd::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd *wrapper = FromHandlePermanent(window);
  if (!wrapper)
    return ::DefWindowProcW(window, message, wParam, lParam);
  return wrapper->Dispatch(message, wParam, lParam);
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  // Handlers may run nested messages (a modal box, a SendMessage): keep the outer one for Default.
  const CurrentMessage outer = m_current;
  m_current = {message, wParam, lParam};
  const LRESULT result = Guarded([&] {
    const MessageEntry *entry = GetMessageMap()->Find(message, wParam);
    return entry ? entry->handler(*this, wParam, lParam) : Default();
  });
  m_current = outer;

  if (message == WM_NCDESTROY) {
    CWinApp *app = AfxGetApp();
    if (app && app->m_pMainWnd == this)
      app->m_pMainWnd = nullptr;
    Detach();
  }
  return result;
}
