#pragma once
// Driver kinds: which models section of an INF lists the hardware IDs, which USB hardware ID a new
// root device node carries, and whether a device's hardware ID belongs to an INF's list.

#include <vector>

#include "platform/CString.h"
#include "platform/CStringArray.h"

// The kind in force: "qcmdm", "qcser" or "adb"; any other value (empty included) acts as "adb".
extern CString g_strDriverKind;

CString SectionForKind(const CString &kind);
CString FallbackHardwareIdForKind(const CString &kind);
bool MatchHardwareId(const CStringArray &list, const CString &deviceId);

// The same rule for many device IDs against one list: the list is upper-cased once, not once per
// device, which is most of a scan's work when the INF lists many IDs.
class CHardwareIdMatcher {
public:
  explicit CHardwareIdMatcher(const CStringArray &list);
  bool Matches(const CString &deviceId) const;

private:
  std::vector<CString> m_upperList;
};
