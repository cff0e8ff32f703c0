#include "Script.h"

#include <windows.h>

namespace {

std::wstring Environment(const std::wstring &name) {
  DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0)
    return std::wstring();
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(name.c_str(), &value[0], size);
  value.resize(size);
  return value;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9')
    return c - L'0';
  if (c >= L'a' && c <= L'f')
    return c - L'a' + 10;
  if (c >= L'A' && c <= L'F')
    return c - L'A' + 10;
  return -1;
}

// ${NAME} at line[i]: appends the variable's value, advances i past the closing brace.
bool ExpandVariable(const std::wstring &line, size_t &i, std::wstring &word, std::wstring &error) {
  size_t close = line.find(L'}', i + 2);
  if (close == std::wstring::npos) {
    error = L"unclosed ${";
    return false;
  }
  const std::wstring name = line.substr(i + 2, close - i - 2);
  if (name.empty()) {
    error = L"empty variable name";
    return false;
  }
  word += Environment(name);
  i = close + 1;
  return true;
}

bool Escape(const std::wstring &line, size_t &i, std::wstring &word, std::wstring &error) {
  // line[i] is the backslash inside double quotes.
  if (i + 1 >= line.size()) {
    error = L"backslash at the end of the line";
    return false;
  }
  wchar_t c = line[i + 1];
  switch (c) {
  case L'"': word += L'"'; i += 2; return true;
  case L'\\': word += L'\\'; i += 2; return true;
  case L'n': word += L'\n'; i += 2; return true;
  case L'r': word += L'\r'; i += 2; return true;
  case L't': word += L'\t'; i += 2; return true;
  case L'u': {
    unsigned value = 0;
    for (size_t k = 0; k < 4; ++k) {
      int digit = i + 2 + k < line.size() ? HexDigit(line[i + 2 + k]) : -1;
      if (digit < 0) {
        error = L"\\u needs four hex digits";
        return false;
      }
      value = value * 16 + static_cast<unsigned>(digit);
    }
    word += static_cast<wchar_t>(value);
    i += 6;
    return true;
  }
  default: // a lone backslash stands for itself
    word += L'\\';
    i += 1;
    return true;
  }
}

} // namespace

bool ParseScriptLine(const std::wstring &line, std::vector<std::wstring> &words, std::wstring &error) {
  words.clear();
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t' || line[i] == L'\r'))
      ++i;
    if (i >= line.size() || line[i] == L'#')
      break;
    std::wstring word;
    // A word runs to the next blank outside quotes; quoted parts and bare parts may adjoin.
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t' && line[i] != L'\r') {
      if (line[i] == L'\'') {
        size_t close = line.find(L'\'', i + 1);
        if (close == std::wstring::npos) {
          error = L"unclosed single quote";
          return false;
        }
        word += line.substr(i + 1, close - i - 1);
        i = close + 1;
      } else if (line[i] == L'"') {
        ++i;
        while (i < line.size() && line[i] != L'"') {
          if (line[i] == L'\\') {
            if (!Escape(line, i, word, error))
              return false;
          } else if (line.compare(i, 2, L"${") == 0) {
            if (!ExpandVariable(line, i, word, error))
              return false;
          } else {
            word += line[i++];
          }
        }
        if (i >= line.size()) {
          error = L"unclosed double quote";
          return false;
        }
        ++i;
      } else if (line.compare(i, 2, L"${") == 0) {
        if (!ExpandVariable(line, i, word, error))
          return false;
      } else {
        word += line[i++];
      }
    }
    words.push_back(word);
  }
  return true;
}

bool ParseScript(const std::string &utf8, std::vector<ScriptLine> &lines, std::wstring &error) {
  lines.clear();
  std::wstring text = FromUtf8(utf8);
  if (!text.empty() && text[0] == 0xFEFF)
    text.erase(0, 1);
  size_t start = 0;
  int number = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos)
      end = text.size();
    ScriptLine line;
    line.number = ++number;
    line.text = text.substr(start, end - start);
    if (!line.text.empty() && line.text.back() == L'\r')
      line.text.pop_back();
    std::wstring lineError;
    if (!ParseScriptLine(line.text, line.words, lineError)) {
      error = L"line " + std::to_wstring(number) + L": " + lineError;
      return false;
    }
    if (!line.words.empty())
      lines.push_back(line);
    start = end + 1;
  }
  return true;
}

std::wstring FromUtf8(const std::string &text) {
  if (text.empty())
    return std::wstring();
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string ToUtf8(const std::wstring &text) {
  if (text.empty())
    return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length, nullptr, nullptr);
  return narrow;
}
