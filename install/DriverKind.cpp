#include "install/DriverKind.h"

#include <cstring>

CString g_strDriverKind;

namespace {

struct KindRow {
  const char *section;
  const char *fallbackHardwareId;
};

const KindRow kModem = {"Models.NTamd64", "USB\\VID_05C6&PID_9018&MI_02"};
const KindRow kSerial = {"QcomSerialPort", "USB\\VID_05C6&PID_9018&MI_03"};
const KindRow kAndroid = {"Vormesk.NTamd64", "USB\\VID_05C6&PID_9018&MI_01"};

const KindRow &RowForKind(const CString &kind) {
  if (kind.Compare("qcmdm") == 0)
    return kModem;
  if (kind.Compare("qcser") == 0)
    return kSerial;
  return kAndroid;
}

bool IsSeparator(char c) { return c == '&' || c == '-' || c == '#' || c == '_'; }

} // namespace

CString SectionForKind(const CString &kind) { return RowForKind(kind).section; }

CString FallbackHardwareIdForKind(const CString &kind) { return RowForKind(kind).fallbackHardwareId; }

bool MatchHardwareId(const CStringArray &list, const CString &deviceId) {
  return CHardwareIdMatcher(list).Matches(deviceId);
}

CHardwareIdMatcher::CHardwareIdMatcher(const CStringArray &list) {
  m_upperList.reserve(static_cast<size_t>(list.GetSize()));
  for (int i = 0; i < list.GetSize(); ++i) {
    m_upperList.push_back(list[i]);
    m_upperList.back().MakeUpper();
  }
}

bool CHardwareIdMatcher::Matches(const CString &deviceId) const {
  CString device = deviceId;
  device.MakeUpper();
  for (const CString &entry : m_upperList) {
    const int n = entry.GetLength();
    if (device.Find(entry) < 0)
      continue;
    // The byte at index n of the device ID decides, wherever the entry was found.
    if (device.GetLength() <= n || IsSeparator(device.GetAt(n)))
      return true;
  }
  return false;
}
