// Fuzzes the INF section reader with arbitrary file bytes and section names.
//
// Input: the bytes up to the first '\n' are the section name, everything behind that '\n' is the file
// (an input without '\n' is a name and an empty file). The name may hold any other byte, NUL included.
//
// The reader's results are compared with a plain model (InfTextModel.h), for the file as given and for
// the same file behind a long filler line, so that its text meets a read-block end at a place the input
// picks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "InfTextModel.h"
#include "install/InfFileHelper.h"
#include "platform/TraceWindow.h"

namespace {

using inf_model::Strings;
using inf_model::Trimmed;

const size_t kTraceLimit = 511; // the trace channel's longest text

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

// Opens the file at path and checks the reads of the section name, and FindSection, against the model.
void CheckFile(const std::string &path, const std::string &bytes, const std::string &name) {
  CInfFileHelper inf;
  FUZZ_CHECK(inf.Open(CString(path)));

  const Strings lines = inf_model::TextLines(bytes);
  const std::string header = "[" + name + "]";
  Strings expected;
  const bool expectFound = inf_model::SectionValues(lines, header, expected);

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
    FUZZ_CHECK(value.find('[') == std::string::npos);
  }
  FUZZ_CHECK(found == expectFound);
  FUZZ_CHECK(values == expected);

  // Each value traced once, in order, as far as the channel carries it.
  FUZZ_CHECK(trace.texts.size() == values.size());
  for (size_t i = 0; i < values.size(); ++i)
    FUZZ_CHECK(trace.texts[i] == std::string(values[i].c_str()).substr(0, kTraceLimit));

  // FindSection reads on from the last hit when asked, from the top when not; the end stays the end.
  for (const std::string &text : {header, name}) {
    const size_t hits = inf_model::LinesContaining(lines, text);
    FUZZ_CHECK(CountFinds(inf, CString(text), lines.size()) == hits);
    FUZZ_CHECK(!inf.FindSection(CString(text), true));
  }

  // Every read starts at the top of the file, wherever the last one stopped.
  CStringArray again;
  FUZZ_CHECK(inf.ReadSectionValues(CString(name), again) == found);
  FUZZ_CHECK(ToStrings(again) == values);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const FuzzTempFile file("input.inf");
  const std::string input(reinterpret_cast<const char *>(data), size);
  const size_t split = input.find('\n');
  const std::string name = input.substr(0, split);
  const std::string bytes = split == std::string::npos ? std::string() : input.substr(split + 1);

  CheckFile(file.Write(bytes), bytes, name);

  // Where the cut falls is the input's choice, through the sum of its bytes: for an odd sum right
  // before one of the text's line feeds, where a line end meets the block end, else anywhere. A UTF-16
  // file is read a character at a time, so its long filler costs much: it is tried for one input in eight.
  size_t sum = 0;
  for (unsigned char c : input)
    sum += c;
  const size_t mark = inf_model::MarkLength(bytes);
  if (mark == 2 && sum % 16 >= 2)
    return 0;
  std::vector<size_t> lineFeeds;
  for (size_t at = bytes.find('\n', mark); at != std::string::npos; at = bytes.find('\n', at + 1))
    lineFeeds.push_back(at - mark);
  const size_t cut = sum % 2 && !lineFeeds.empty() ? lineFeeds[sum / 2 % lineFeeds.size()] : sum % (bytes.size() + 1);
  const std::string padded = inf_model::BehindFiller(bytes, cut);
  CheckFile(file.Write(padded), padded, name);
  return 0;
}
