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

namespace {

const std::size_t kNone = std::string::npos;

// Where a models line keeps its hardware ID, as INF syntax reads the line: between the first and the
// second comma outside double quotes. A ';' outside quotes starts a comment to the line's end; inside
// quotes ',', ';' and '[' are text, and a quote left open runs to the line's end. Any other '[' ends the
// section, when it starts a character (in code page 936 a trail byte may be '['). '"', ';' and ',' are
// never trail bytes, so a byte scan finds them without tracking characters.
struct ModelsLine {
  bool endsSection = false;
  std::size_t idStart = kNone; // kNone: no comma, the line gives nothing
  std::size_t idEnd = kNone;
};

ModelsLine ReadModelsLine(const std::string &line) {
  ModelsLine read;
  bool quoted = false;
  bool trailByte = false; // this byte ends a double-byte character begun outside quotes
  std::size_t at = 0;
  for (; at < line.size() && (quoted || line[at] != ';'); ++at) {
    const char c = line[at];
    if (c == '"')
      quoted = !quoted;
    if (c == '[' && !quoted && !trailByte)
      return {true, kNone, kNone};
    if (c == ',' && !quoted && read.idStart == kNone)
      read.idStart = at + 1;
    else if (c == ',' && !quoted && read.idEnd == kNone)
      read.idEnd = at;
    trailByte = !quoted && !trailByte && IsAnsiLeadByte(static_cast<unsigned char>(c));
  }
  if (read.idEnd == kNone)
    read.idEnd = at;
  return read;
}

} // namespace

bool CInfFileHelper::ReadSectionValues(const CString &sectionName, CStringArray &values) {
  values.RemoveAll();
  if (!FindSection("[" + sectionName + "]", false))
    return false;
  std::string line;
  while (m_file.ReadString(line)) {
    const ModelsLine models = ReadModelsLine(line);
    if (models.endsSection)
      break;
    if (models.idStart == kNone)
      continue;
    CString value(line.substr(models.idStart, models.idEnd - models.idStart));
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
