// The scan state of CInstallerCore: which present device an INF is meant for, and its removal.

#include <algorithm>
#include <cstring>
#include <vector>

#include "install/DeviceInfoSet.h"
#include "install/DriverKind.h"
#include "install/InfHardwareIds.h"
#include "install/InstallerCore.h"
#include "install/MultiString.h"
#include "platform/DeviceServices.h"

namespace {

// Size of the buffer a present device's hardware IDs are read into.
const DWORD kPropertyBufferSize = 2000;
const DWORD kClassNameSize = 260;

} // namespace

void CInstallerCore::ReleaseScanSet() {
  if (m_hDevInfo) {
    Platform().SetupDiDestroyDeviceInfoList(m_hDevInfo);
    m_hDevInfo = nullptr;
  }
  m_bSetMatched = false;
}

void CInstallerCore::ResetScanState() {
  ReleaseScanSet();
  m_strHardwareId.Empty();
  m_strInfPath.Empty();
}

bool CInstallerCore::ScanDevices(CString infPath) {
  ResetScanState();
  CStringArray hardwareIds;
  if (!ReadKindHardwareIds(infPath, hardwareIds))
    return false;
  m_strInfPath = infPath;

  DeviceServices &services = Platform();
  GUID classGuid;
  std::memset(&classGuid, 0, sizeof classGuid);
  char className[kClassNameSize] = {};
  if (!services.SetupDiGetINFClassA(infPath, &classGuid, className, kClassNameSize, nullptr))
    return false;

  // Kept as returned: a failed build leaves nothing to match, and the scan still succeeds.
  m_hDevInfo = services.SetupDiGetClassDevsA(&classGuid, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE);
  const CHardwareIdMatcher matcher(hardwareIds);
  std::vector<BYTE> buffer(kPropertyBufferSize);
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    if (!services.SetupDiEnumDeviceInfo(m_hDevInfo, index, &device))
      break;
    std::fill(buffer.begin(), buffer.end(), 0);
    DWORD returned = kPropertyBufferSize;
    if (!services.SetupDiGetDeviceRegistryPropertyA(m_hDevInfo, &device, SPDRP_HARDWAREID, nullptr, buffer.data(),
                                                    kPropertyBufferSize, &returned))
      continue; // no hardware IDs, or more than the buffer holds
    const CString deviceId = FirstMultiString(buffer.data(), std::min(returned, kPropertyBufferSize));
    // The walk goes on: of several matching devices the last one wins.
    if (matcher.Matches(deviceId)) {
      m_strHardwareId = deviceId;
      m_nMatchedIndex = static_cast<int>(index);
      m_bSetMatched = true;
    }
  }
  return true;
}

void CInstallerCore::RemoveMatchedDevice() {
  // Only the device that the current set's own scan matched: a left-over index names another set's device.
  if (m_bSetMatched && CDeviceInfoSet::IsSetHandle(m_hDevInfo)) {
    DeviceServices &services = Platform();
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    if (services.SetupDiEnumDeviceInfo(m_hDevInfo, static_cast<DWORD>(m_nMatchedIndex), &device))
      services.SetupDiRemoveDevice(m_hDevInfo, &device);
  }
  ReleaseScanSet();
}
