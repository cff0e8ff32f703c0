#pragma once
// A counted byte string in the ANSI code page, standing in for the class library's CString:
// only what this program uses.

#include <cstdarg>
#include <string>

class CString {
public:
  CString() = default;
  CString(const char *text) : m_str(text ? text : "") {}
  CString(const char *text, int length) : m_str(text ? std::string(text, length > 0 ? length : 0) : std::string()) {}
  CString(const std::string &text) : m_str(text) {}

  int GetLength() const { return static_cast<int>(m_str.size()); }
  bool IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  const char *GetString() const { return m_str.c_str(); }
  operator const char *() const { return m_str.c_str(); }
  const std::string &str() const { return m_str; }
  char GetAt(int index) const { return m_str.at(static_cast<size_t>(index)); }

  CString &operator=(const char *text) { m_str = text ? text : ""; return *this; }
  CString &operator+=(const CString &other) { m_str += other.m_str; return *this; }
  CString &operator+=(const char *text) { if (text) m_str += text; return *this; }
  CString &operator+=(char c) { m_str += c; return *this; }

  friend CString operator+(const CString &a, const CString &b) { return CString(a.m_str + b.m_str); }
  friend CString operator+(const CString &a, const char *b) { return CString(a.m_str + (b ? b : "")); }
  friend CString operator+(const char *a, const CString &b) { return CString((a ? a : "") + b.m_str); }
  // Without these, str + '\\' would be pointer arithmetic on the converted text.
  friend CString operator+(const CString &a, char b) { return CString(a.m_str + b); }
  friend CString operator+(char a, const CString &b) { return CString(a + b.m_str); }
  friend bool operator==(const CString &a, const CString &b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString &a, const char *b) { return a.m_str == (b ? b : ""); }
  friend bool operator!=(const CString &a, const CString &b) { return !(a == b); }
  friend bool operator!=(const CString &a, const char *b) { return !(a == b); }

  // Exact byte-wise comparison; 0 when equal.
  int Compare(const char *text) const { return m_str.compare(text ? text : ""); }
  // Index of the first occurrence at or after start, or -1. Every byte of sub counts, a NUL in it
  // included, so a damaged text cannot pass for its shorter head.
  int Find(const CString &sub, int start = 0) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  // Removes leading and trailing space, tab, CR, LF, vertical tab and form feed.
  CString &Trim();
  // Upper-cases ASCII letters and leaves double-byte characters of the ANSI code page whole.
  CString &MakeUpper();

  void Format(const char *format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
  void FormatV(const char *format, va_list args);

private:
  std::string m_str;
};
