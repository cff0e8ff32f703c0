// Fuzzes the INF section reader: any file, any section name, read twice through one helper.
//
// Input: the bytes up to the first '\n' are the section name (any other byte, NUL included), the rest is
// the file (an input without '\n' is a name and an empty file). What the reader returns for given lines
// is pinned by the unit tests' table; here it must survive any bytes and give the same answer each time.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "install/InfFileHelper.h"
#include "platform/sim/SimTraceWindow.h"

// A property broken: say which, and abort, so that libFuzzer keeps the input like a crash.
#define FUZZ_CHECK(c) ((c) ? (void)0 : (std::fprintf(stderr, "line %d: property broken: %s\n", __LINE__, #c), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  const size_t split = input.find('\n');
  const std::string bytes = split == std::string::npos ? "" : input.substr(split + 1);
  static const struct TempFile {
    std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/quarvel-fuzz-" +
                       std::to_string(getpid()) + ".inf";
    ~TempFile() { std::remove(path.c_str()); }
  } file;
  FUZZ_CHECK(std::ofstream(file.path, std::ios::binary).write(bytes.data(), bytes.size()).good());

  CInfFileHelper inf;
  FUZZ_CHECK(inf.Open(CString(file.path)));
  // Each read starts at the top of the file, wherever the last one stopped; nothing stale stays in the
  // list; each value is trimmed and traced once.
  std::vector<std::string> first;
  for (int read = 0; read < 2; ++read) {
    CStringArray list;
    list.Add("left over");
    SimTraceWindow trace;
    const bool found = inf.ReadSectionValues(CString(input.substr(0, split)), list);
    std::vector<std::string> values;
    for (int i = 0; i < list.GetSize(); ++i)
      values.push_back(list[i].str());
    // One more text at most: the line cap's.
    FUZZ_CHECK((found || values.empty()) && trace.texts.size() - values.size() <= 1);
    const std::string space = " \t\r\n\v\f";
    for (const std::string &value : values)
      FUZZ_CHECK(value.empty() || (space.find(value.front()) == space.npos && space.find(value.back()) == space.npos));
    FUZZ_CHECK(read == 0 || values == first);
    first = values;
  }
  return 0;
}
