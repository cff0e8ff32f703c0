#pragma once
// Driver kinds: which INF file the automatic install looks for, which models section of it lists the
// hardware IDs, and which USB hardware ID a new root device node carries; a pass pairs a kind with
// its INF. And the rule that decides whether a device's hardware ID belongs to an INF's list.

#include <vector>

#include "platform/CString.h"
#include "platform/CStringArray.h"

struct DriverKind {
  const char *name;               // "qcmdm", "qcser" or "adb"
  const char *infFileName;        // joined to a directory; begins with a backslash
  const char *section;            // the models section that lists the hardware IDs
  const char *fallbackHardwareId; // carried by a new root node when no present device has the ID
};

// The kinds in the order of the passes.
extern const DriverKind kDriverKinds[3];

// One install pass: the driver kind in force and the INF it works on. Built once and handed down.
struct InfPass {
  DriverKind driverKind;
  CString infPath;
};

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
