// Fuzzes MatchHardwareId, and the matcher the scan reuses across devices, against a plain restatement
// of the rule.
//
// Input: the first line is the device ID, every following line one list entry (an empty line is an empty
// entry), split at '\n' only; an input without '\n' gives an empty list. NUL and CR are text.

#include <algorithm>
#include <cctype>
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

// ASCII letters upper-cased (or, with flip, each one turned); a double-byte character of the code page
// is passed over whole.
std::string ChangeCase(std::string text, bool flip) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!flip && IsAnsiLeadByte(c) && i + 1 < text.size())
      ++i;
    else if (std::isalpha(c) && c < 0x80 && (flip || std::islower(c)))
      text[i] = static_cast<char>(c ^ 0x20);
  }
  return text;
}

// An entry belongs to the device when it occurs in it and the device's byte at the entry's length,
// counted from the start of the device ID, is a separator or lies past its end.
bool ReferenceMatch(const Strings &entries, const std::string &deviceId) {
  const std::string device = ChangeCase(deviceId, false);
  return std::any_of(entries.begin(), entries.end(), [&](const std::string &raw) {
    const std::string entry = ChangeCase(raw, false);
    return device.find(entry) != device.npos &&
           (device.size() <= entry.size() || std::string("&-#_").find(device[entry.size()]) != std::string::npos);
  });
}

CStringArray ToList(const Strings &entries) {
  CStringArray list;
  for (const std::string &entry : entries)
    list.Add(CString(entry));
  return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  Strings entries;
  for (size_t start = input.find('\n'), end; start != std::string::npos; start = end) {
    end = input.find('\n', start + 1);
    entries.push_back(input.substr(start + 1, end == std::string::npos ? end : end - start - 1));
  }
  const std::string deviceId = input.substr(0, input.find('\n'));
  const CStringArray list = ToList(entries);
  const CString device(deviceId);
  const bool result = MatchHardwareId(list, device);
  FUZZ_CHECK(result == ReferenceMatch(entries, deviceId));
  // Neither argument is changed.
  FUZZ_CHECK(device.str() == deviceId && list.GetSize() == int(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i)
    FUZZ_CHECK(list[int(i)].str() == entries[i]);

  // The scan asks one matcher about device after device: each answer is the rule's, whatever came
  // before. The entries serve as further device IDs.
  const CHardwareIdMatcher matcher(list);
  Strings devices = entries;
  devices.insert(devices.begin(), deviceId);
  devices.push_back(deviceId);
  for (const std::string &other : devices)
    FUZZ_CHECK(matcher.Matches(CString(other)) == ReferenceMatch(entries, other));

  // Letter case never matters for ASCII text.
  const auto ascii = [](const std::string &text) { return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }); };
  if (ascii(deviceId) && std::all_of(entries.begin(), entries.end(), ascii)) {
    Strings flipped;
    for (const std::string &entry : entries)
      flipped.push_back(ChangeCase(entry, true));
    FUZZ_CHECK(MatchHardwareId(ToList(flipped), CString(ChangeCase(deviceId, true))) == result);
  }
  return 0;
}
