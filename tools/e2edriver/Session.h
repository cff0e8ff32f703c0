#pragma once
// Runs the steps of a script against one application process and the windows it shows.

#include <windows.h>

#include <string>
#include <vector>

#include "Script.h"

class Session {
public:
  Session() = default;
  ~Session();
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  // Whether the words name a known step with a fitting number of arguments; checked for the whole
  // script before anything runs, so that a typo never leaves an application half driven.
  static bool Check(const std::vector<std::wstring> &words, std::wstring &error);
  // Runs one step; on failure returns false with the reason in error.
  bool Step(const std::vector<std::wstring> &words, std::wstring &error);
  // The text that `help` prints: every step and its arguments.
  static std::wstring Help();

private:
  struct Command;
  static const Command kCommands[];
  static const Command *Find(const std::vector<std::wstring> &words, std::wstring &error);

  // Steps.
  bool Run(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitDialog(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitWindow(const std::vector<std::wstring> &args, std::wstring &error);
  bool UseMain(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitOwned(const std::vector<std::wstring> &args, std::wstring &error);
  bool ExpectNoOwned(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitBrowser(const std::vector<std::wstring> &args, std::wstring &error);
  bool BrowseSelect(const std::vector<std::wstring> &args, std::wstring &error);
  bool BrowseCancel(const std::vector<std::wstring> &args, std::wstring &error);
  bool Click(const std::vector<std::wstring> &args, std::wstring &error);
  bool ExpectCaption(const std::vector<std::wstring> &args, std::wstring &error);
  bool ExpectText(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitText(const std::vector<std::wstring> &args, std::wstring &error);
  bool ExpectVisible(const std::vector<std::wstring> &args, std::wstring &error);
  bool ExpectHidden(const std::vector<std::wstring> &args, std::wstring &error);
  bool PrintCaption(const std::vector<std::wstring> &args, std::wstring &error);
  bool PrintText(const std::vector<std::wstring> &args, std::wstring &error);
  bool PrintRect(const std::vector<std::wstring> &args, std::wstring &error);
  bool KeyEscape(const std::vector<std::wstring> &args, std::wstring &error);
  bool Close(const std::vector<std::wstring> &args, std::wstring &error);
  bool SysCommand(const std::vector<std::wstring> &args, std::wstring &error);
  bool BroadcastRefresh(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitGone(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitExit(const std::vector<std::wstring> &args, std::wstring &error);
  bool SetText(const std::vector<std::wstring> &args, std::wstring &error);
  bool CloseWindow(const std::vector<std::wstring> &args, std::wstring &error);
  bool SleepStep(const std::vector<std::wstring> &args, std::wstring &error);
  bool Echo(const std::vector<std::wstring> &args, std::wstring &error);
  bool ExpectTraceCount(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitTrace(const std::vector<std::wstring> &args, std::wstring &error);
  bool WaitOutcome(const std::vector<std::wstring> &args, std::wstring &error);
  bool Snapshot(const std::vector<std::wstring> &args, std::wstring &error);

  // Helpers.
  bool NeedCurrent(std::wstring &error) const;
  bool Control(const std::wstring &idText, HWND &control, std::wstring &error) const;
  DWORD AppPid() const { return m_app.hProcess ? m_app.dwProcessId : 0; }

  PROCESS_INFORMATION m_app = {};
  HWND m_main = nullptr;    // the application's dialog, from wait-dialog
  HWND m_current = nullptr; // the window that the control steps act on
};

void PrintUtf8(const std::wstring &line);
