#pragma once
// The application: it runs the main dialog once and ends when the dialog closes; on 64-bit Windows the
// 32-bit build runs the x86_64 one instead and ends as it ends.

#include "platform/ProcessFacts.h"
#include "platform/win32/WinApp.h"

class CQuarvelApp : public CWinApp {
public:
  // facts: what start-up asks of the process; without, the running process as Windows reports it.
  explicit CQuarvelApp(ProcessFacts *facts = nullptr) : m_pFacts(facts) {}
  BOOL InitInstance() override;
  // The process's exit code: the 64-bit build's after a hand-over, 0 once the dialog has closed, and
  // kStartFailed when the program could not start.
  int ExitInstance() override;

  static const int kStartFailed = 1;

private:
  int Start(ProcessFacts &facts);
  int StartFailure(const char *why);

  ProcessFacts *m_pFacts;
  int m_nExitCode = 0;
};

extern CQuarvelApp theApp;
