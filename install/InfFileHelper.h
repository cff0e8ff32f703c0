#pragma once
// Reads hardware IDs out of a driver INF: the field after the first comma on each models line of one section.

#include "install/DriverKind.h"
#include "platform/CStdioFile.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"

class CInfFileHelper {
public:
  CInfFileHelper() = default;
  virtual ~CInfFileHelper();

  bool Open(const CString &path);
  // Reads lines until one contains header (case-sensitive) starting at a character; from the start
  // unless continueFromHere. A line too long to read ends the search, traced.
  bool FindSection(const CString &header, bool continueFromHere);
  // Fills values with the section's values in file order; false (values empty) when the section is missing.
  bool ReadSectionValues(const CString &sectionName, CStringArray &values);

private:
  void TraceLineCap();

  CStdioFile m_file;
  CString m_strPath;
};

// The hardware IDs that a pass's INF lists in its driver kind's models section, in file order;
// false when the INF cannot be opened.
bool ReadKindHardwareIds(const InfPass &pass, CStringArray &ids);
