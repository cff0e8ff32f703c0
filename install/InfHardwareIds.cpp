#include "install/InfHardwareIds.h"

#include "install/DriverKind.h"
#include "install/InfFileHelper.h"

namespace {

// The models sections of the current kind: one name in this program.
CStringArray SectionsForCurrentKind() {
  CStringArray sections;
  sections.Add(SectionForKind(g_strDriverKind));
  return sections;
}

} // namespace

bool ReadKindHardwareIds(const CString &infPath, CStringArray &ids) {
  ids.RemoveAll();
  CInfFileHelper inf;
  if (infPath.IsEmpty() || !inf.Open(infPath))
    return false;
  const CStringArray sections = SectionsForCurrentKind();
  for (int i = 0; i < sections.GetSize(); ++i) {
    CStringArray values;
    inf.ReadSectionValues(sections[i], values);
    ids.Append(values);
  }
  return true;
}

bool ReadFirstKindHardwareId(const CString &infPath, CString &id) {
  id.Empty();
  CStringArray ids;
  if (!ReadKindHardwareIds(infPath, ids))
    return false;
  // The sections' values in order: the first is the first value of the first section that has one.
  if (!ids.IsEmpty())
    id = ids[0];
  return true;
}
