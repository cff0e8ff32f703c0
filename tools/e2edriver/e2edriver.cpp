// e2edriver: drives the application's dialogs for the end-to-end tests, step by step, the way a
// user would, and reads back what the windows show. Every wait polls with a deadline.
//
//   e2edriver.exe <script> [NAME=value ...]   run a step script (NAME=value set ${NAME} first)
//   e2edriver.exe -e "<step>" ... [NAME=value ...] run steps given on the command line
//   e2edriver.exe help                         list the steps
//
// Exit codes: 0 every step passed, 1 a step failed (the reason is on stderr), 2 bad usage or script.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Script.h"
#include "Session.h"

namespace {

const int kExitPassed = 0;
const int kExitFailed = 1;
const int kExitUsage = 2;

void PrintError(const std::wstring &line) {
  const std::string text = "e2edriver: " + ToUtf8(line) + "\n";
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

bool ReadFile(const std::wstring &path, std::string &contents) {
  FILE *file = _wfopen(path.c_str(), L"rb");
  if (!file)
    return false;
  char buffer[4096];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    contents.append(buffer, read);
  std::fclose(file);
  return true;
}

int Usage() {
  PrintError(L"usage: e2edriver.exe (<script> | -e \"<step>\" ...) [NAME=value ...] | help\nsteps:\n" + Session::Help());
  return kExitUsage;
}

} // namespace

int main() {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2)
    return Usage();
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);

  if (args[0] == L"help") {
    PrintUtf8(Session::Help());
    return kExitPassed;
  }

  // Steps come from -e words or from one script file; NAME=value words set ${NAME} for both.
  std::vector<ScriptLine> lines;
  std::wstring error;
  std::wstring scriptPath;
  int stepNumber = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == L"-e") {
      if (i + 1 >= args.size())
        return Usage();
      ScriptLine line;
      line.number = ++stepNumber;
      line.text = args[++i];
      lines.push_back(line);
    } else if (args[i].find(L'=') != std::wstring::npos && args[i][0] != L'=') {
      const size_t equals = args[i].find(L'=');
      SetEnvironmentVariableW(args[i].substr(0, equals).c_str(), args[i].substr(equals + 1).c_str());
    } else if (scriptPath.empty() && lines.empty()) {
      scriptPath = args[i];
    } else {
      return Usage();
    }
  }
  if (!scriptPath.empty() && !lines.empty())
    return Usage();
  if (scriptPath.empty()) {
    // Parsed only now, so that ${NAME} sees every NAME=value word wherever it stood.
    std::vector<ScriptLine> parsed;
    for (ScriptLine &line : lines) {
      if (!ParseScriptLine(line.text, line.words, error)) {
        PrintError(L"step " + std::to_wstring(line.number) + L": " + error);
        return kExitUsage;
      }
      if (!line.words.empty())
        parsed.push_back(line);
    }
    lines.swap(parsed);
  } else {
    std::string contents;
    if (!ReadFile(scriptPath, contents)) {
      PrintError(L"cannot read the script " + scriptPath);
      return kExitUsage;
    }
    if (!ParseScript(contents, lines, error)) {
      PrintError(scriptPath + L": " + error);
      return kExitUsage;
    }
  }
  if (lines.empty())
    return Usage();
  for (const ScriptLine &line : lines) {
    if (!Session::Check(line.words, error)) {
      PrintError(L"line " + std::to_wstring(line.number) + L" (" + line.text + L"): " + error);
      return kExitUsage;
    }
  }

  Session session;
  for (const ScriptLine &line : lines) {
    PrintUtf8(L"[" + std::to_wstring(line.number) + L"] " + line.text);
    if (!session.Step(line.words, error)) {
      PrintError(L"FAILED at " + std::to_wstring(line.number) + L" (" + line.text + L"): " + error);
      return kExitFailed;
    }
  }
  PrintUtf8(L"e2edriver: all " + std::to_wstring(lines.size()) + L" steps passed");
  return kExitPassed;
}
