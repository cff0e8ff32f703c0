#include "platform/sim/SimInfText.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

const size_t kMaxInfBytes = 16u * 1024u * 1024u;

std::string Trim(const std::string &text) {
  const char *blanks = " \t\r\n\v\f";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos)
    return std::string();
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::string Unquote(const std::string &text) {
  std::string value = Trim(text);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

// Code units outside ASCII become '?': class names, IDs and descriptions we compare are ASCII.
std::string FromUtf16(const std::string &bytes, bool bigEndian) {
  std::string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[i]);
    const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
    const unsigned unit = bigEndian ? (first << 8) | second : first | (second << 8);
    text += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return text;
}

bool StartsWith(const std::string &bytes, const char *mark) { return bytes.compare(0, std::strlen(mark), mark) == 0; }

std::optional<std::string> ReadBytes(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return std::nullopt;
  std::string bytes;
  char chunk[4096];
  while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
    bytes.append(chunk, static_cast<size_t>(file.gcount()));
    if (bytes.size() > kMaxInfBytes)
      return std::nullopt;
  }
  return bytes;
}

// Removes a ';' comment that is not inside double quotes.
std::string StripComment(const std::string &line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"')
      quoted = !quoted;
    else if (line[i] == ';' && !quoted)
      return line.substr(0, i);
  }
  return line;
}

std::vector<std::string> SplitCommas(const std::string &text) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, ','))
    parts.push_back(Trim(part));
  return parts;
}

} // namespace

bool SimEqualNoCase(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string SimUpper(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::optional<SimInfText> SimInfText::Load(const std::string &path, bool asProfile) {
  std::optional<std::string> bytes = ReadBytes(path);
  if (!bytes)
    return std::nullopt;
  std::string text;
  if (StartsWith(*bytes, "\xFF\xFE") || (asProfile && StartsWith(*bytes, "\xFE\xFF")))
    text = FromUtf16(*bytes, (*bytes)[0] == '\xFE');
  else
    text = StartsWith(*bytes, "\xEF\xBB\xBF") ? bytes->substr(3) : *bytes;
  const size_t lastLineFeed = text.rfind('\n');
  for (size_t i = lastLineFeed == std::string::npos ? 0 : lastLineFeed + 1; asProfile && i < text.size(); ++i)
    if (text[i] == '\r')
      text[i] = '\n';
  return Parse(text);
}

SimInfText SimInfText::Parse(const std::string &text) {
  SimInfText inf;
  Section *current = nullptr;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    std::string line = Trim(StripComment(raw));
    if (line.empty())
      continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      inf.m_sections.push_back(Section{name, {}});
      current = &inf.m_sections.back();
      continue;
    }
    if (!current)
      continue; // text before the first section belongs to none
    size_t equals = line.find('=');
    if (equals == std::string::npos)
      current->lines.push_back(Line{std::string(), line});
    else
      current->lines.push_back(Line{Unquote(line.substr(0, equals)), Trim(line.substr(equals + 1))});
  }
  return inf;
}

const SimInfText::Section *SimInfText::Find(const std::string &name) const {
  for (const Section &section : m_sections)
    if (SimEqualNoCase(section.name, name))
      return &section;
  return nullptr;
}

bool SimInfText::HasSection(const std::string &name) const { return Find(name) != nullptr; }

std::string SimInfText::Expand(const std::string &text) const {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find('%', pos);
    size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
    if (close == std::string::npos) {
      out += text.substr(pos);
      break;
    }
    out += text.substr(pos, open - pos);
    std::string token = text.substr(open + 1, close - open - 1);
    const Section *strings = Find("Strings");
    const Line *found = nullptr;
    if (strings)
      for (const Line &line : strings->lines)
        if (!line.key.empty() && SimEqualNoCase(line.key, token)) {
          found = &line;
          break;
        }
    out += found ? Unquote(found->value) : (token.empty() ? std::string("%") : "%" + token + "%");
    pos = close + 1;
  }
  return out;
}

std::optional<std::string> SimInfText::Value(const std::string &section, const std::string &key) const {
  const Section *found = Find(section);
  if (!found)
    return std::nullopt;
  for (const Line &line : found->lines)
    if (SimEqualNoCase(line.key, key))
      return Unquote(Expand(line.value));
  return std::nullopt;
}

std::optional<std::string> SimInfText::ModelDescription(const std::string &hardwareId, bool ignoreCase) const {
  const Section *manufacturer = Find("Manufacturer");
  if (!manufacturer)
    return std::nullopt;
  for (const Line &entry : manufacturer->lines) {
    std::vector<std::string> parts = SplitCommas(Expand(entry.value));
    if (parts.empty())
      continue;
    std::vector<std::string> names{parts[0]};
    for (size_t i = 1; i < parts.size(); ++i)
      names.push_back(parts[0] + "." + parts[i]);
    for (const std::string &name : names) {
      const Section *models = Find(name);
      if (!models)
        continue;
      for (const Line &model : models->lines) {
        std::vector<std::string> ids = SplitCommas(model.value);
        for (size_t i = 1; i < ids.size(); ++i) {
          std::string id = Unquote(ids[i]);
          if (ignoreCase ? SimEqualNoCase(id, hardwareId) : id == hardwareId)
            return Unquote(Expand(model.key));
        }
      }
    }
  }
  return std::nullopt;
}
