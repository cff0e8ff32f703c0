#include "install/InstallerCore.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "install/DeviceInfoSet.h"
#include "install/DriverKind.h"
#include "install/InfFileHelper.h"
#include "install/MultiString.h"
#include "install/QuarvelHelper.h"
#include "platform/CStringArray.h"
#include "platform/CodePage.h"
#include "platform/DeviceServices.h"

namespace {

// Size of the buffer a present device's hardware IDs are read into during a scan.
const DWORD kScanPropertyBufferSize = 2000;
// Class name buffer of the scan's INF class read.
const DWORD kClassNameSize = 260;
// First size tried for the executable's path, and the largest path the platform can give.
const DWORD kModulePathFirstSize = 256;
const DWORD kModulePathMaxSize = 32768;

struct PassFile {
  const char *kind;
  const char *fileName;
};

const PassFile kAutomaticPasses[] = {
    {"qcmdm", "\\qcmdm.inf"},
    {"qcser", "\\qcser.inf"},
    {"adb", "\\android_usb.inf"},
};

const char kAlternateModemInf[] = "\\qcmsm.inf";

// The models sections that list the current kind's hardware IDs.
CStringArray SectionsForCurrentKind() {
  CStringArray sections;
  sections.Add(SectionForKind(g_strDriverKind));
  return sections;
}

// A file in a directory; no path at all when the directory is unknown, so that nothing is looked
// for at the root of the current drive.
CString PathInDirectory(const CString &directory, const char *fileName) {
  if (directory.IsEmpty())
    return CString();
  return directory + fileName;
}

// Index of the last backslash at index 1 or later, skipping the trail bytes of double-byte characters; -1 if none.
int LastSeparator(const char *path, int length) {
  int last = -1;
  for (int i = 0; i < length; ++i) {
    if (IsAnsiLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < length) {
      ++i;
      continue;
    }
    if (path[i] == '\\' && i >= 1)
      last = i;
  }
  return last;
}

// Marks the installer busy for one scope.
class BusyScope {
public:
  explicit BusyScope(bool &busy) : m_busy(busy) { m_busy = true; }
  ~BusyScope() { m_busy = false; }
  BusyScope(const BusyScope &) = delete;
  BusyScope &operator=(const BusyScope &) = delete;

private:
  bool &m_busy;
};

class WaitCursorScope {
public:
  explicit WaitCursorScope(InstallView &view) : m_view(view) { m_view.BeginWaitCursor(); }
  ~WaitCursorScope() { m_view.EndWaitCursor(); }
  WaitCursorScope(const WaitCursorScope &) = delete;
  WaitCursorScope &operator=(const WaitCursorScope &) = delete;

private:
  InstallView &m_view;
};

} // namespace

CInstallerCore::CInstallerCore(InstallView &view) : m_view(view) {}

InstallOutcome CInstallerCore::RunAutomaticInstall() {
  if (m_bBusy)
    return InstallOutcome::Ignored;
  BusyScope busy(m_bBusy);

  const CString directory = GetModuleDirectory();
  bool allInstalled = true;
  for (const PassFile &pass : kAutomaticPasses) {
    g_strDriverKind = pass.kind;
    RunInfPass(PathInDirectory(directory, pass.fileName));
    allInstalled = allInstalled && m_bLastInstallOk;
  }
  return allInstalled ? InstallOutcome::Success : InstallOutcome::Failure;
}

bool CInstallerCore::RunFolderInstall(const CString &folder) {
  if (m_bBusy)
    return false;
  BusyScope busy(m_bBusy);
  InstallFromFolder(folder);
  return true;
}

void CInstallerCore::OnRefresh() {
  if (m_bBusy)
    return;
  ScanDevices(m_strInfPath);
}

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
  if (infPath.IsEmpty())
    return false;

  CStringArray hardwareIds;
  {
    CInfFileHelper inf;
    if (!inf.Open(infPath))
      return false;
    const CStringArray sections = SectionsForCurrentKind();
    for (int i = 0; i < sections.GetSize(); ++i) {
      CStringArray values;
      inf.ReadSectionValues(sections[i], values);
      hardwareIds.Append(values);
    }
  }
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
  std::vector<BYTE> buffer(kScanPropertyBufferSize);
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device;
    std::memset(&device, 0, sizeof device);
    device.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!services.SetupDiEnumDeviceInfo(m_hDevInfo, index, &device))
      break;
    std::fill(buffer.begin(), buffer.end(), 0);
    DWORD returned = kScanPropertyBufferSize;
    if (!services.SetupDiGetDeviceRegistryPropertyA(m_hDevInfo, &device, SPDRP_HARDWAREID, nullptr, buffer.data(),
                                                    kScanPropertyBufferSize, &returned))
      continue;
    const size_t size = returned < kScanPropertyBufferSize ? returned : kScanPropertyBufferSize;
    const CString deviceId = FirstMultiString(buffer.data(), size);
    // The walk goes on: of several matching devices the last one wins.
    if (MatchHardwareId(hardwareIds, deviceId)) {
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
    SP_DEVINFO_DATA device;
    std::memset(&device, 0, sizeof device);
    device.cbSize = sizeof(SP_DEVINFO_DATA);
    if (services.SetupDiEnumDeviceInfo(m_hDevInfo, static_cast<DWORD>(m_nMatchedIndex), &device))
      services.SetupDiRemoveDevice(m_hDevInfo, &device);
  }
  ReleaseScanSet();
}

bool CInstallerCore::RunInfPass(const CString &infPath) {
  const bool scanned = ScanDevices(infPath);
  // A plain update of the devices that already carry the matched ID; whether it did anything is
  // seen by the installing step's own search.
  if (!m_strHardwareId.IsEmpty())
    Platform().UpdateDriverForPlugAndPlayDevicesA(nullptr, m_strHardwareId, infPath, 0, nullptr);
  m_bLastInstallOk = InstallByInf();
  RemoveMatchedDevice();
  return scanned;
}

bool CInstallerCore::InstallByInf() {
  if (m_strHardwareId.IsEmpty()) {
    if (m_strInfPath.IsEmpty())
      return false;
    CInfFileHelper inf;
    if (!inf.Open(m_strInfPath))
      return false;
    const CStringArray sections = SectionsForCurrentKind();
    for (int i = 0; i < sections.GetSize(); ++i) {
      CStringArray values;
      inf.ReadSectionValues(sections[i], values);
      if (!values.IsEmpty()) {
        m_strHardwareId = values[0];
        break;
      }
    }
  }
  if (m_strHardwareId.IsEmpty())
    return false;

  WaitCursorScope waitCursor(m_view);
  CQuarvelHelper helper;
  if (!helper.InstallInfDriver(m_strInfPath, m_strHardwareId, nullptr))
    return false;
  // Describe the devices present now, so that the pass removes the one the driver went to.
  ScanDevices(m_strInfPath);
  return true;
}

bool CInstallerCore::InstallFromFolder(const CString &folder) {
  // Some driver folders name the modem INF differently.
  CString modemInf = PathInDirectory(folder, kAutomaticPasses[0].fileName);
  if (!modemInf.IsEmpty() && !Platform().FileExists(modemInf))
    modemInf = PathInDirectory(folder, kAlternateModemInf);
  const CString infPaths[] = {modemInf, PathInDirectory(folder, kAutomaticPasses[1].fileName),
                              PathInDirectory(folder, kAutomaticPasses[2].fileName)};

  bool scanned = false;
  for (size_t i = 0; i < sizeof kAutomaticPasses / sizeof kAutomaticPasses[0]; ++i) {
    g_strDriverKind = kAutomaticPasses[i].kind;
    scanned = RunInfPass(infPaths[i]);
  }
  return scanned;
}

CString CInstallerCore::GetModuleDirectory() {
  DeviceServices &services = Platform();
  std::vector<char> path;
  DWORD length = 0;
  for (DWORD size = kModulePathFirstSize;; size *= 2) {
    path.assign(size + 1, '\0');
    length = services.GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0)
      return CString();
    if (length < size)
      break;
    // Filled completely: the path may have been cut.
    if (size >= kModulePathMaxSize)
      return CString();
  }
  const int separator = LastSeparator(path.data(), static_cast<int>(length));
  if (separator < 0)
    return CString();
  return CString(path.data(), separator);
}
