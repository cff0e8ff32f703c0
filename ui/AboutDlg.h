#pragma once
// The About box, opened from the main dialog's system menu.

#include "platform/win32/Dialog.h"

class CAboutDlg : public CDialog {
public:
  CAboutDlg();
};
