#include "install/InstallerCore.h"

#include "install/DriverKind.h"
#include "install/InfHardwareIds.h"
#include "install/ModuleDirectory.h"
#include "install/QuarvelHelper.h"
#include "platform/DeviceServices.h"

namespace {

struct PassFile {
  const char *kind;
  const char *fileName;
};

const PassFile kPasses[] = {
    {"qcmdm", "\\qcmdm.inf"},
    {"qcser", "\\qcser.inf"},
    {"adb", "\\android_usb.inf"},
};
const int kPassCount = sizeof kPasses / sizeof kPasses[0];

// Some driver folders name the modem INF this way.
const char kAlternateModemInf[] = "\\qcmsm.inf";

// A file in a directory; no path at all when the directory is unknown, so that nothing is looked
// for at the root of the current drive.
CString PathInDirectory(const CString &directory, const char *fileName) {
  if (directory.IsEmpty())
    return CString();
  return directory + fileName;
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
  for (const PassFile &pass : kPasses) {
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
  if (m_strHardwareId.IsEmpty() && !ReadFirstKindHardwareId(m_strInfPath, m_strHardwareId))
    return false;
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
  CString infPaths[kPassCount];
  for (int i = 0; i < kPassCount; ++i)
    infPaths[i] = PathInDirectory(folder, kPasses[i].fileName);
  if (!infPaths[0].IsEmpty() && !Platform().FileExists(infPaths[0]))
    infPaths[0] = PathInDirectory(folder, kAlternateModemInf);

  bool scanned = false;
  for (int i = 0; i < kPassCount; ++i) {
    g_strDriverKind = kPasses[i].kind;
    scanned = RunInfPass(infPaths[i]);
  }
  return scanned;
}

CString CInstallerCore::GetModuleDirectory() { return ExecutableDirectory(); }
