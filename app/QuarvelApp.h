#pragma once
// The application: it runs the main dialog once and ends when the dialog closes.

#include "platform/win32/WinApp.h"

class CQuarvelApp : public CWinApp {
public:
  CQuarvelApp() = default;
  BOOL InitInstance() override;
};

extern CQuarvelApp theApp;
