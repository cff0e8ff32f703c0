// Fuzzes the INF section reader with arbitrary file bytes and section names.
//
// Input: the bytes up to the first '\n' are the section name, everything behind that '\n' is the file
// (an input without '\n' is a name and an empty file). The name may hold any other byte, NUL included.
//
// The reader's result is compared with a plain model: the file's text lines as the text-file class
// documents them (a UTF-16LE byte-order mark makes the file UTF-16 with '?' for non-ASCII characters,
// a UTF-8 one is skipped, CR LF and LF end lines, a lone CR is text), then the line rules of a section.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "install/InfFileHelper.h"
#include "platform/TraceWindow.h"

namespace {

using Strings = std::vector<std::string>;

const size_t kTraceLimit = 511; // the trace channel's longest text

std::string TextOf(const std::string &bytes) {
  const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const unsigned unit = byte(i) | (byte(i + 1) << 8);
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    return bytes.substr(3);
  return bytes;
}

Strings LinesOf(const std::string &text) {
  Strings lines;
  std::string line;
  for (char c : text) {
    if (c != '\n') {
      line += c;
      continue;
    }
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty())
    lines.push_back(line);
  return lines;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trimmed(const std::string &text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin]))
    ++begin;
  while (end > begin && IsSpace(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

bool Contains(const std::string &line, const std::string &part) { return line.find(part) != std::string::npos; }

// The section's values, read from the first line that mentions the header; false when no line does.
bool ModelSection(const Strings &lines, const std::string &header, Strings &values) {
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

Strings ToStrings(const CStringArray &list) {
  Strings strings;
  for (int i = 0; i < list.GetSize(); ++i)
    strings.push_back(list[i].str());
  return strings;
}

// Keeps what the reader traces, as an open debugging window would receive it.
class TraceCapture : public TraceWindow {
public:
  TraceCapture() : m_scope(*this) {}
  HWND FindWindowA(PCSTR, PCSTR) override { return Window(); }
  BOOL IsWindow(HWND window) override { return window == Window(); }
  LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM text) override {
    texts.emplace_back(reinterpret_cast<const char *>(text));
    return 1;
  }
  Strings texts;

private:
  static HWND Window() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x51)); }
  ScopedTraceWindows m_scope;
};

// How many times FindSection finds text, each search continuing behind the last hit.
size_t CountFinds(CInfFileHelper &inf, const CString &text, size_t most) {
  size_t finds = 0;
  for (bool fromHere = false; finds <= most && inf.FindSection(text, fromHere); fromHere = true)
    ++finds;
  return finds;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const FuzzTempFile file("input.inf");
  const std::string input(reinterpret_cast<const char *>(data), size);
  const size_t split = input.find('\n');
  const std::string name = input.substr(0, split);
  const std::string bytes = split == std::string::npos ? std::string() : input.substr(split + 1);

  CInfFileHelper inf;
  FUZZ_CHECK(inf.Open(file.Write(bytes).c_str()));

  const Strings lines = LinesOf(TextOf(bytes));
  const std::string header = "[" + name + "]";
  Strings expected;
  const bool expectFound = ModelSection(lines, header, expected);

  CStringArray list;
  list.Add("left over");
  TraceCapture trace;
  const bool found = inf.ReadSectionValues(CString(name), list);
  const Strings values = ToStrings(list);

  // Properties that hold whatever the file: nothing stale, no white space at either end, no value
  // from a line that ends the section, never more values than lines.
  FUZZ_CHECK(found || values.empty());
  FUZZ_CHECK(values.size() <= lines.size());
  for (const std::string &value : values) {
    FUZZ_CHECK(Trimmed(value) == value);
    FUZZ_CHECK(!Contains(value, "["));
  }
  FUZZ_CHECK(found == expectFound);
  FUZZ_CHECK(values == expected);

  // Each value traced once, in order, as far as the channel carries it.
  FUZZ_CHECK(trace.texts.size() == values.size());
  for (size_t i = 0; i < values.size(); ++i)
    FUZZ_CHECK(trace.texts[i] == std::string(values[i].c_str()).substr(0, kTraceLimit));

  // FindSection reads on from the last hit when asked, from the top when not; the end stays the end.
  for (const std::string &text : {header, name}) {
    const size_t hits = static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&text](const std::string &line) { return Contains(line, text); }));
    FUZZ_CHECK(CountFinds(inf, CString(text), lines.size()) == hits);
    FUZZ_CHECK(!inf.FindSection(CString(text), true));
  }

  // Every read starts at the top of the file, wherever the last one stopped.
  CStringArray again;
  FUZZ_CHECK(inf.ReadSectionValues(CString(name), again) == found);
  FUZZ_CHECK(ToStrings(again) == values);
  return 0;
}
