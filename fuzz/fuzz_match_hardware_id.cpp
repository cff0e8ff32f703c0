// Fuzzes MatchHardwareId, the rule the scan applies to every device, against a plain restatement of it.
//
// Input: the first line is the device ID, every following line one list entry (an empty line is an empty
// entry), split at '\n' only; an input without '\n' gives an empty list. NUL and CR are text.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "install/DriverKind.h"
#include "platform/CodePage.h"

// A property broken: say which, and abort, so that libFuzzer keeps the input like a crash.
#define FUZZ_CHECK(c) ((c) ? (void)0 : (std::fprintf(stderr, "line %d: property broken: %s\n", __LINE__, #c), std::abort()))

namespace {

using Strings = std::vector<std::string>;

// ASCII letters upper-cased; a double-byte character of the code page is passed over whole.
std::string Upper(std::string text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (IsAnsiLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
      ++i;
    else if (text[i] >= 'a' && text[i] <= 'z')
      text[i] = static_cast<char>(text[i] - 'a' + 'A');
  return text;
}

// An entry belongs to the device when it occurs in it and the device's byte at the entry's length,
// counted from the start of the device ID, is a separator or lies past its end.
bool ReferenceMatch(const Strings &entries, const std::string &deviceId) {
  const std::string device = Upper(deviceId);
  return std::any_of(entries.begin(), entries.end(), [&](const std::string &entry) {
    return device.find(Upper(entry)) != device.npos &&
           (device.size() <= entry.size() || std::string("&-#_").find(device[entry.size()]) != std::string::npos);
  });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  Strings devices{input.substr(0, input.find('\n'))}, entries;
  for (size_t start = input.find('\n'), end; start != std::string::npos; start = end) {
    end = input.find('\n', start + 1);
    entries.push_back(input.substr(start + 1, end == std::string::npos ? end : end - start - 1));
  }
  CStringArray list;
  for (const std::string &entry : entries)
    list.Add(CString(entry));
  // The entries serve as further device IDs (each one matches itself).
  devices.insert(devices.end(), entries.begin(), entries.end());
  for (const std::string &device : devices)
    FUZZ_CHECK(MatchHardwareId(list, CString(device)) == ReferenceMatch(entries, device));
  return 0;
}
