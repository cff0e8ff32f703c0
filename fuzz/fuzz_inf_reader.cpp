// Fuzzes the INF section reader against a plain model of what it should return.
//
// Input: the bytes up to the first '\n' are the section name (any other byte, NUL included), the rest is
// the file (an input without '\n' is a name and an empty file).

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "install/InfFileHelper.h"
#include "platform/CodePage.h"
#include "tests/unit/TraceRecorder.h"

// A property broken: say which, and abort, so that libFuzzer keeps the input like a crash.
#define FUZZ_CHECK(c) ((c) ? (void)0 : (std::fprintf(stderr, "line %d: property broken: %s\n", __LINE__, #c), std::abort()))
// The model is built without coverage hooks: the reader, not its model, is to steer the fuzzer.
#define MODEL __attribute__((no_sanitize("coverage")))

namespace {

using Strings = std::vector<std::string>;

// The file's text lines: a UTF-16LE byte-order mark makes the file UTF-16 (in the ANSI code page, whose
// conversion is not modelled; a dangling last byte dropped), a UTF-8 one is skipped; LF ends a line and
// takes a CR right before it along, any other CR is text, and a last line needs no LF.
MODEL Strings Lines(const std::string &bytes) {
  std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    text = AnsiFromUtf16(units);
  }
  Strings lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start - (end < text.size() && end > start && text[end - 1] == '\r')));
  }
  return lines;
}

MODEL std::string Trimmed(const std::string &text) {
  const char *space = " \t\r\n\v\f";
  const size_t begin = text.find_first_not_of(space);
  return begin == std::string::npos ? "" : text.substr(begin, text.find_last_not_of(space) - begin + 1);
}

// Only a match that starts a character counts: a code page 936 trail byte may equal '['.
MODEL bool Holds(const std::string &line, const std::string &part) {
  for (size_t i = 0; i < line.size(); i += IsAnsiLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1)
    if (line.compare(i, part.size(), part) == 0)
      return true;
  return part.empty();
}

// The values of the section whose header is the first line to hold it: the text right of the first comma
// of each line up to one holding '[', blank and ';' lines passed over. False when no line holds the header.
MODEL bool SectionValues(const Strings &lines, const std::string &header, Strings &values) {
  auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string &l) { return Holds(l, header); });
  for (auto it = line; it != lines.end() && ++it != lines.end();) {
    const std::string text = Trimmed(*it);
    if (text.empty() || text[0] == ';')
      continue;
    if (Holds(text, "["))
      break;
    if (text.find(',') != text.npos)
      values.push_back(Trimmed(text.substr(text.find(',') + 1)));
  }
  return line != lines.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  const size_t split = input.find('\n');
  const std::string name = input.substr(0, split);
  const std::string bytes = split == std::string::npos ? "" : input.substr(split + 1);
  static const struct TempFile {
    std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/quarvel-fuzz-" +
                       std::to_string(getpid()) + ".inf";
    ~TempFile() { std::remove(path.c_str()); }
  } file;
  std::FILE *out = std::fopen(file.path.c_str(), "wb");
  FUZZ_CHECK(out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fclose(out) == 0);

  CInfFileHelper inf;
  FUZZ_CHECK(inf.Open(CString(file.path)));
  Strings expected;
  const bool found = SectionValues(Lines(bytes), "[" + name + "]", expected);
  // Each read starts at the top of the file, wherever the last one stopped; nothing stale stays in the
  // list; each value is traced once.
  for (int read = 0; read < 2; ++read) {
    CStringArray list;
    list.Add("left over");
    TraceRecorder trace;
    FUZZ_CHECK(inf.ReadSectionValues(CString(name), list) == found);
    FUZZ_CHECK(list.GetSize() == int(expected.size()) && trace.texts.size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
      FUZZ_CHECK(list[int(i)].str() == expected[i]);
  }
  return 0;
}
