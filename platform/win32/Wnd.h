#pragma once
// The window wrapper that the dialog, button and tooltip classes share. A wrapper either just holds
// a handle (controls) or is attached: its window procedure is replaced by one that routes messages
// through the class's message table and hands the rest to the window's own procedure.

#include "platform/win32/MessageMap.h"

#include <windows.h>

class CWnd {
public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd &) = delete;
  CWnd &operator=(const CWnd &) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }

  // Called for every message taken from this thread's queue for this window or a child of it,
  // before it is dispatched; true swallows the message.
  virtual BOOL PreTranslateMessage(MSG *msg);

  // The attached wrapper of a window, or nullptr.
  static CWnd *FromHandlePermanent(HWND window);
  // Offers a queued message to the attached wrappers of its window and that window's parents.
  static BOOL WalkPreTranslateTree(MSG *msg);

  HWND m_hWnd = nullptr;

protected:
  virtual const MessageMap *GetMessageMap() const;
  // Hands the message being handled to the window's own procedure.
  LRESULT Default();
  // Routes the window's messages through this object from now on.
  void Attach(HWND window);
  // Called inside the catch block when a handler throws: no exception may cross the system's
  // window procedure. Returns the message's result; this one gives 0.
  virtual LRESULT OnHandlerException();
  // Runs step as every window and hook procedure must: what it throws goes to OnHandlerException,
  // never on to the system. step's result, or the handler's (0 if that throws too).
  template <class Step>
  LRESULT Guarded(Step step) {
    try {
      return step();
    } catch (...) {
      try {
        return OnHandlerException();
      } catch (...) {
        return 0;
      }
    }
  }

  static const MessageMap messageMap;

private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void Detach();

  WNDPROC m_pfnSuper = nullptr;
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } m_current = {};
};
