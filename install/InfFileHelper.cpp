#include "install/InfFileHelper.h"

#include <string>

#include "trace/DebugTrace.h"

CInfFileHelper::~CInfFileHelper() { m_file.Close(); }

bool CInfFileHelper::Open(const CString &path) {
  return m_file.Open(path, CStdioFile::modeRead | CStdioFile::shareDenyNone | CStdioFile::typeText);
}

bool CInfFileHelper::FindSection(const CString &header, bool continueFromHere) {
  if (!continueFromHere)
    m_file.SeekToBegin();
  // The search may pass a whole large file: one line buffer serves every line.
  const std::string &wanted = header.str();
  std::string line;
  while (m_file.ReadString(line)) {
    if (line.find(wanted) != std::string::npos)
      return true;
  }
  return false;
}

bool CInfFileHelper::ReadSectionValues(const CString &sectionName, CStringArray &values) {
  values.RemoveAll();
  if (!FindSection("[" + sectionName + "]", false))
    return false;
  CString line;
  while (m_file.ReadString(line)) {
    line.Trim();
    if (line.IsEmpty() || line.GetAt(0) == ';')
      continue;
    if (line.Find('[') >= 0)
      break;
    const int comma = line.Find(',');
    if (comma < 0)
      continue;
    CString value = line.Mid(comma + 1);
    value.Trim();
    DebugTraceText(value);
    values.Add(value);
  }
  return true;
}

bool ReadKindHardwareIds(const InfPass &pass, CStringArray &ids) {
  ids.RemoveAll();
  CInfFileHelper inf;
  if (pass.infPath.IsEmpty() || !inf.Open(pass.infPath))
    return false;
  inf.ReadSectionValues(pass.driverKind.section, ids);
  return true;
}
