// The scan of CInstallerCore: which present device an INF is meant for, and its removal.

#include <cstring>

#include "install/HardwareIdReader.h"
#include "install/InfFileHelper.h"
#include "install/InstallerCore.h"

const DWORD kClassNameSize = 260;

void CInstallerCore::ReleaseScanSet() {
  m_scanSet.Release();
  m_matchedIndex.reset();
}

void CInstallerCore::ResetScanState() {
  ReleaseScanSet();
  m_refreshPass.reset();
}

ScanResult CInstallerCore::ScanDevices(InfPass pass) {
  ResetScanState();
  ScanResult result;
  CStringArray hardwareIds;
  if (!ReadKindHardwareIds(pass, hardwareIds))
    return result;
  m_refreshPass = pass;

  DeviceServices &services = Platform();
  GUID classGuid;
  std::memset(&classGuid, 0, sizeof classGuid);
  char className[kClassNameSize] = {};
  if (!services.SetupDiGetINFClassA(pass.infPath, &classGuid, className, kClassNameSize, nullptr))
    return result;

  // Kept as returned: a failed build leaves nothing to match, and the scan still succeeds.
  m_scanSet.Reset(services.SetupDiGetClassDevsA(&classGuid, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE));
  const CHardwareIdMatcher matcher(hardwareIds);
  CHardwareIdReader reader(kScanPropertySize, kScanPropertySize);
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    if (!services.SetupDiEnumDeviceInfo(m_scanSet.Get(), index, &device))
      break;
    if (reader.ReadDevice(m_scanSet.Get(), device) != CHardwareIdReader::Read)
      continue; // no hardware IDs, or more than the buffer holds
    const CString deviceId = reader.First();
    // The walk goes on: of several matching devices the last one wins.
    if (matcher.Matches(deviceId)) {
      result = ScanResult{true, deviceId, index};
      m_matchedIndex = index;
    }
  }
  return result;
}

void CInstallerCore::RemoveMatchedDevice() {
  // Only the device that the current set's own scan matched: the match goes with its set.
  if (m_matchedIndex && m_scanSet.IsValid()) {
    DeviceServices &services = Platform();
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    if (services.SetupDiEnumDeviceInfo(m_scanSet.Get(), *m_matchedIndex, &device))
      services.SetupDiRemoveDevice(m_scanSet.Get(), &device);
  }
  ReleaseScanSet();
}
