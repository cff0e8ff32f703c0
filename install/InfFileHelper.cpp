#include "install/InfFileHelper.h"

#include <string>

#include "platform/CodePage.h"
#include "trace/DebugTrace.h"

CInfFileHelper::~CInfFileHelper() { m_file.Close(); }

bool CInfFileHelper::Open(const CString &path) {
  m_strPath = path;
  return m_file.Open(path, CStdioFile::modeRead | CStdioFile::shareDenyNone | CStdioFile::typeText);
}

bool CInfFileHelper::FindSection(const CString &header, bool continueFromHere) {
  if (!continueFromHere)
    m_file.SeekToBegin();
  // The search may pass a whole large file: one line buffer serves every line.
  const std::string &wanted = header.str();
  std::string line;
  while (m_file.ReadString(line)) {
    if (FindAtCharacterStart(line, wanted) != std::string::npos)
      return true;
  }
  TraceLineCap();
  return false;
}

void CInfFileHelper::TraceLineCap() {
  if (m_file.HitLineCap())
    DebugTrace("Line too long, INF not read further:%s", m_strPath.GetString());
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
    if (FindAtCharacterStart(line.str(), "[") != std::string::npos)
      break;
    const int comma = line.Find(',');
    if (comma < 0)
      continue;
    CString value = line.Mid(comma + 1);
    value.Trim();
    DebugTraceText(value);
    values.Add(value);
  }
  TraceLineCap();
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
