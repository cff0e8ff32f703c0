#pragma once
// The step script of the end-to-end driver: one step per line, words separated by blanks.
//   'single quotes'   the text as it stands (backslashes in paths stay backslashes)
//   "double quotes"   escapes \" \\ \n \r \t \uXXXX; ${NAME} is replaced by an environment variable
//   bare words        ${NAME} is replaced; backslashes stay
//   #                 at the start of a word: the rest of the line is a comment

#include <string>
#include <vector>

struct ScriptLine {
  int number = 0;               // 1-based line in its source
  std::wstring text;            // as written, for messages
  std::vector<std::wstring> words;
};

// Splits one line; on a syntax error returns false and says why in error.
bool ParseScriptLine(const std::wstring &line, std::vector<std::wstring> &words, std::wstring &error);

// Splits a whole script (UTF-8, any line ends); lines without words are left out.
bool ParseScript(const std::string &utf8, std::vector<ScriptLine> &lines, std::wstring &error);

std::wstring FromUtf8(const std::string &text);
std::string ToUtf8(const std::wstring &text);
