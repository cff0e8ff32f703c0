#include "platform/CString.h"

#include <cstdio>
#include <vector>

#include "platform/CodePage.h"

namespace {
bool IsTrimSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
} // namespace

int CString::Find(const CString &sub, int start) const {
  if (start < 0 || start > GetLength())
    return -1;
  const size_t at = m_str.find(sub.m_str, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  if (first < 0)
    first = 0;
  if (first >= GetLength() || count <= 0)
    return CString();
  return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString &CString::Trim() {
  size_t begin = 0;
  size_t end = m_str.size();
  while (begin < end && IsTrimSpace(m_str[begin]))
    ++begin;
  while (end > begin && IsTrimSpace(m_str[end - 1]))
    --end;
  m_str = m_str.substr(begin, end - begin);
  return *this;
}

CString &CString::MakeUpper() {
  for (size_t i = 0; i < m_str.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(m_str[i]);
    if (IsAnsiLeadByte(c) && i + 1 < m_str.size()) {
      ++i; // the trail byte belongs to a double-byte character
    } else if (c >= 'a' && c <= 'z') {
      m_str[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return *this;
}

void CString::Format(const char *format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const char *format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) {
    m_str.clear();
    return;
  }
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  m_str.assign(buffer.data(), static_cast<size_t>(length));
}
