#include "install/DriverKind.h"

const DriverKind kDriverKinds[3] = {
    {"qcmdm", "\\qcmdm.inf", "Models.NTamd64", "USB\\VID_05C6&PID_9018&MI_02"},
    {"qcser", "\\qcser.inf", "QcomSerialPort", "USB\\VID_05C6&PID_9018&MI_03"},
    {"adb", "\\android_usb.inf", "Vormesk.NTamd64", "USB\\VID_05C6&PID_9018&MI_01"},
};

namespace {

bool IsSeparator(char c) { return c == '&' || c == '-' || c == '#' || c == '_'; }

} // namespace

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
