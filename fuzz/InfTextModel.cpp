#include "InfTextModel.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace inf_model {

namespace {

std::string Decoded(const std::string &bytes) {
  const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
    // The code page's conversion itself is not modelled: whole text or line by line, it gives the same.
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(byte(i) | (byte(i + 1) << 8));
    return AnsiFromUtf16(units);
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    return bytes.substr(3);
  return bytes;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Only a match that starts a character counts: a code page 936 trail byte may equal '['.
bool Contains(const std::string &line, const std::string &part) {
  for (size_t i = 0; i < line.size(); i += IsAnsiLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1)
    if (line.compare(i, part.size(), part) == 0)
      return true;
  return part.empty();
}

} // namespace

Strings TextLines(const std::string &bytes) {
  const std::string text = Decoded(bytes);
  Strings lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    size_t length = end - start;
    if (length > 0 && text[end - 1] == '\r')
      --length;
    lines.push_back(text.substr(start, length));
    start = end + 1;
  }
  return lines;
}

std::string Trimmed(const std::string &text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin]))
    ++begin;
  while (end > begin && IsSpace(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

bool SectionValues(const Strings &lines, const std::string &header, Strings &values) {
  values.clear();
  const auto headerLine =
      std::find_if(lines.begin(), lines.end(), [&header](const std::string &line) { return Contains(line, header); });
  if (headerLine == lines.end())
    return false;
  for (auto it = headerLine + 1; it != lines.end(); ++it) {
    const std::string line = Trimmed(*it);
    if (line.empty() || line[0] == ';')
      continue;
    if (Contains(line, "["))
      break;
    const size_t comma = line.find(',');
    if (comma != std::string::npos)
      values.push_back(Trimmed(line.substr(comma + 1)));
  }
  return true;
}

size_t LinesContaining(const Strings &lines, const std::string &text) {
  return static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [&text](const std::string &line) { return Contains(line, text); }));
}

size_t MarkLength(const std::string &bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") == 0)
    return 2;
  return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

std::string BehindFiller(const std::string &bytes, size_t cut) {
  const size_t span = 64 * 1024 - std::min<size_t>(cut, 60 * 1024);
  const size_t mark = MarkLength(bytes);
  if (mark == 2) {
    std::string filler((span - 4) / 2 * 2, '\0');
    for (size_t i = 0; i < filler.size(); i += 2)
      filler[i] = ';';
    return bytes.substr(0, 2) + filler + std::string("\r\0\n\0", 4) + bytes.substr(2);
  }
  return bytes.substr(0, mark) + std::string(span - 1, ';') + "\n" + bytes.substr(mark);
}

} // namespace inf_model
