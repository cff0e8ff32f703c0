// e2edriver: drives the application's dialogs for the end-to-end tests, step by step, the way a
// user would, and reads back what the windows show. Every wait polls with a deadline.
//
//   e2edriver.exe <script> [NAME=value ...]   run a step script (NAME=value set ${NAME} first)
//   e2edriver.exe -e "<step>" [-e "<step>" ...] run steps given on the command line
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
  PrintError(L"usage: e2edriver.exe <script> [NAME=value ...] | -e \"<step>\" ... | help\nsteps:\n" + Session::Help());
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

  std::vector<ScriptLine> lines;
  std::wstring error;
  if (args[0] == L"-e") {
    for (size_t i = 0; i < args.size(); i += 2) {
      if (args[i] != L"-e" || i + 1 >= args.size())
        return Usage();
      ScriptLine line;
      line.number = static_cast<int>(i / 2 + 1);
      line.text = args[i + 1];
      if (!ParseScriptLine(line.text, line.words, error)) {
        PrintError(L"step " + std::to_wstring(line.number) + L": " + error);
        return kExitUsage;
      }
      if (!line.words.empty())
        lines.push_back(line);
    }
  } else {
    for (size_t i = 1; i < args.size(); ++i) {
      const size_t equals = args[i].find(L'=');
      if (equals == 0 || equals == std::wstring::npos)
        return Usage();
      SetEnvironmentVariableW(args[i].substr(0, equals).c_str(), args[i].substr(equals + 1).c_str());
    }
    std::string contents;
    if (!ReadFile(args[0], contents)) {
      PrintError(L"cannot read the script " + args[0]);
      return kExitUsage;
    }
    if (!ParseScript(contents, lines, error)) {
      PrintError(args[0] + L": " + error);
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
