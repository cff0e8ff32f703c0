// Fuzzes MatchHardwareId, and the matcher the scan reuses across devices, against a plain restatement
// of the rule.
//
// Input: the first line is the device ID, every following line one list entry (an empty line is an empty
// entry), lines split at '\n' only; an input without '\n' gives an empty list. Any other byte, NUL and
// CR included, is part of the ID or entry.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "install/DriverKind.h"
#include "platform/CodePage.h"

namespace {

using Strings = std::vector<std::string>;

// ASCII letters upper-cased; a double-byte character of the code page is passed over whole.
std::string UpperCase(const std::string &text) {
  std::string upper = text;
  for (size_t i = 0; i < upper.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(upper[i]);
    if (IsAnsiLeadByte(c) && i + 1 < upper.size())
      ++i;
    else if (c >= 'a' && c <= 'z')
      upper[i] = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// An entry belongs to the device when it occurs in it and the device's byte at the entry's length,
// counted from the start of the device ID, is a separator or lies past its end.
bool ReferenceMatch(const Strings &entries, const std::string &deviceId) {
  const std::string device = UpperCase(deviceId);
  for (const std::string &raw : entries) {
    const std::string entry = UpperCase(raw);
    if (device.find(entry) == std::string::npos)
      continue;
    if (device.size() <= entry.size())
      return true;
    if (std::string("&-#_").find(device[entry.size()]) != std::string::npos)
      return true;
  }
  return false;
}

CStringArray ToList(const Strings &entries) {
  CStringArray list;
  for (const std::string &entry : entries)
    list.Add(CString(entry));
  return list;
}

bool Match(const Strings &entries, const std::string &deviceId) {
  const CStringArray list = ToList(entries);
  const CString device(deviceId);
  const bool result = MatchHardwareId(list, device);
  // Neither argument is changed.
  FUZZ_CHECK(device.str() == deviceId);
  FUZZ_CHECK(list.GetSize() == static_cast<int>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i)
    FUZZ_CHECK(list[static_cast<int>(i)].str() == entries[i]);
  return result;
}

bool IsAscii(const std::string &text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every ASCII letter turned by change: lower, upper or each one flipped.
enum class CaseChange { Lower, Upper, Flip };

std::string ChangeCase(const std::string &text, CaseChange change) {
  std::string changed = text;
  for (char &c : changed) {
    const bool lower = c >= 'a' && c <= 'z';
    const bool upper = c >= 'A' && c <= 'Z';
    if (lower && change != CaseChange::Lower)
      c = static_cast<char>(c - 'a' + 'A');
    else if (upper && change != CaseChange::Upper)
      c = static_cast<char>(c - 'A' + 'a');
  }
  return changed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  Strings lines;
  size_t start = 0;
  for (;;) {
    const size_t end = input.find('\n', start);
    lines.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  const std::string deviceId = lines.front();
  const Strings entries(lines.begin() + 1, lines.end());

  const bool result = Match(entries, deviceId);
  FUZZ_CHECK(result == ReferenceMatch(entries, deviceId));

  // Any entry that matches on its own makes the list match, wherever it stands.
  Strings reversed(entries.rbegin(), entries.rend());
  FUZZ_CHECK(Match(reversed, deviceId) == result);
  bool anyAlone = false;
  for (const std::string &entry : entries)
    anyAlone = anyAlone || Match(Strings{entry}, deviceId);
  FUZZ_CHECK(anyAlone == result);

  // The scan asks one matcher about device after device: each answer is the rule's, whatever came
  // before. The entries serve as further device IDs.
  const CStringArray list = ToList(entries);
  const CHardwareIdMatcher matcher(list);
  FUZZ_CHECK(matcher.Matches(CString(deviceId)) == result);
  for (const std::string &other : entries)
    FUZZ_CHECK(matcher.Matches(CString(other)) == ReferenceMatch(entries, other));
  FUZZ_CHECK(matcher.Matches(CString(deviceId)) == result);

  // Letter case never matters for ASCII text.
  if (IsAscii(deviceId) && std::all_of(entries.begin(), entries.end(), IsAscii)) {
    for (CaseChange deviceCase : {CaseChange::Lower, CaseChange::Upper, CaseChange::Flip}) {
      for (CaseChange entryCase : {CaseChange::Lower, CaseChange::Upper, CaseChange::Flip}) {
        Strings changed;
        for (const std::string &entry : entries)
          changed.push_back(ChangeCase(entry, entryCase));
        FUZZ_CHECK(Match(changed, ChangeCase(deviceId, deviceCase)) == result);
      }
    }
  }
  return 0;
}
