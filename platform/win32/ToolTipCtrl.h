#pragma once
// A tooltip control. A tool with ID 0 is the whole window it is given; other IDs name an area of it.

#include "platform/win32/Wnd.h"

#include <commctrl.h>

class CToolTipCtrl : public CWnd {
public:
  ~CToolTipCtrl() override;

  // Creates the tooltip window, owned by the parent, with these TTS_ styles.
  BOOL Create(CWnd *parent, DWORD style = 0);
  BOOL AddTool(CWnd *window, LPCSTR text = LPSTR_TEXTCALLBACKA, const RECT *toolRect = nullptr, UINT_PTR toolId = 0);
  void UpdateTipText(LPCSTR text, CWnd *window, UINT_PTR toolId = 0);
  // Sets one of the TTDT_ delays, in milliseconds.
  void SetDelayTime(DWORD duration, int time);
  // Lets the tooltip see a mouse message of a window it watches.
  void RelayEvent(MSG *msg);

private:
  static TTTOOLINFOA ToolInfo(CWnd *window, UINT_PTR toolId);
};
