#pragma once
// A static message table per window class: which message (or command from which control) goes to
// which handler. Each class's table names its base's, so lookups fall back to the base's entries
// before default processing.

#include <windows.h>

#include <cstddef>

class CWnd;

using MessageHandler = LRESULT (*)(CWnd &wnd, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
  UINT message;           // WM_COMMAND for a control's notification; 0 when `registered` names it
  const UINT *registered; // a number from RegisterWindowMessage, read when a message arrives
  UINT controlId;         // WM_COMMAND only
  UINT notification;      // WM_COMMAND only
  MessageHandler handler;
};

struct MessageMap {
  const MessageMap *base;
  const MessageEntry *entries;
  std::size_t count;

  // The first entry for this message in this table or its bases, or nullptr.
  const MessageEntry *Find(UINT message, WPARAM wParam) const;
};

template <std::size_t N>
constexpr MessageMap MakeMessageMap(const MessageMap *base, const MessageEntry (&entries)[N]) {
  return {base, entries, N};
}

// Entry builders: each adapts one handler signature to MessageHandler.
namespace on {

template <class T, void (T::*F)(UINT, LPARAM)>
constexpr MessageEntry SysCommand() {
  return {WM_SYSCOMMAND, nullptr, 0, 0, [](CWnd &w, WPARAM wp, LPARAM lp) -> LRESULT {
            (static_cast<T &>(w).*F)(static_cast<UINT>(wp), lp);
            return 0;
          }};
}

template <class T, void (T::*F)()>
constexpr MessageEntry Paint() {
  return {WM_PAINT, nullptr, 0, 0, [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T &>(w).*F)();
            return 0;
          }};
}

template <class T, HCURSOR (T::*F)()>
constexpr MessageEntry QueryDragIcon() {
  return {WM_QUERYDRAGICON, nullptr, 0, 0, [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
            return reinterpret_cast<LRESULT>((static_cast<T &>(w).*F)());
          }};
}

template <class T, int (T::*F)(LPCREATESTRUCTW)>
constexpr MessageEntry Create() {
  return {WM_CREATE, nullptr, 0, 0, [](CWnd &w, WPARAM, LPARAM lp) -> LRESULT {
            return (static_cast<T &>(w).*F)(reinterpret_cast<LPCREATESTRUCTW>(lp));
          }};
}

template <class T, void (T::*F)()>
constexpr MessageEntry Destroy() {
  return {WM_DESTROY, nullptr, 0, 0, [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T &>(w).*F)();
            return 0;
          }};
}

template <class T, void (T::*F)(UINT, POINT)>
constexpr MessageEntry MouseMove() {
  return {WM_MOUSEMOVE, nullptr, 0, 0, [](CWnd &w, WPARAM wp, LPARAM lp) -> LRESULT {
            // Client coordinates are signed 16-bit values packed into lParam.
            POINT point = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            (static_cast<T &>(w).*F)(static_cast<UINT>(wp), point);
            return 0;
          }};
}

template <class T, BOOL (T::*F)()>
constexpr MessageEntry InitDialog() {
  return {WM_INITDIALOG, nullptr, 0, 0, [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
            return (static_cast<T &>(w).*F)();
          }};
}

// A command from a control or a menu: control ID and notification code (BN_CLICKED is 0).
template <class T, void (T::*F)()>
constexpr MessageEntry Command(UINT controlId, UINT notification = BN_CLICKED) {
  return {WM_COMMAND, nullptr, controlId, notification, [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T &>(w).*F)();
            return 0;
          }};
}

template <class T, LRESULT (T::*F)(WPARAM, LPARAM)>
constexpr MessageEntry Registered(const UINT *message) {
  return {0, message, 0, 0, [](CWnd &w, WPARAM wp, LPARAM lp) -> LRESULT {
            return (static_cast<T &>(w).*F)(wp, lp);
          }};
}

} // namespace on
