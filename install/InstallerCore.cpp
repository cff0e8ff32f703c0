#include "install/InstallerCore.h"

#include <vector>

#include "install/InfFileHelper.h"
#include "install/ModuleDirectory.h"
#include "install/QuarvelHelper.h"
#include "platform/DeviceServices.h"

namespace {

// Some driver folders name the modem INF this way.
const char kAlternateModemInf[] = "\\qcmsm.inf";

// A file in a directory; no path at all when the directory is unknown, so that nothing is looked
// for at the root of the current drive.
CString PathInDirectory(const CString &directory, const char *fileName) {
  if (directory.IsEmpty())
    return CString();
  return directory + fileName;
}

// The three passes over a directory, each kind with its own INF.
std::vector<InfPass> PassesIn(const CString &directory) {
  std::vector<InfPass> passes;
  for (const DriverKind &kind : kDriverKinds)
    passes.push_back(InfPass{kind, PathInDirectory(directory, kind.infFileName)});
  return passes;
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

InstallOutcome CInstallerCore::RunAutomaticInstall() {
  if (m_bBusy)
    return InstallOutcome::Ignored;
  BusyScope busy(m_bBusy);

  bool allInstalled = true;
  for (const InfPass &pass : PassesIn(GetModuleDirectory())) {
    const bool installed = RunInfPass(pass);
    allInstalled = allInstalled && installed;
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
  if (!m_bBusy && m_refreshPass)
    ScanDevices(*m_refreshPass);
}

bool CInstallerCore::RunInfPass(const InfPass &pass) {
  const ScanResult scan = ScanDevices(pass);
  // A plain update of the devices that already carry the matched ID; whether it did anything is
  // seen by the installing step's own search.
  if (!scan.hardwareId.IsEmpty())
    Platform().UpdateDriverForPlugAndPlayDevicesA(nullptr, scan.hardwareId, pass.infPath, 0, nullptr);
  const bool installed = InstallByInf(pass, scan.hardwareId);
  RemoveMatchedDevice();
  return installed;
}

bool CInstallerCore::InstallByInf(const InfPass &pass, CString hardwareId) {
  CStringArray listed;
  if (hardwareId.IsEmpty() && ReadKindHardwareIds(pass, listed) && !listed.IsEmpty())
    hardwareId = listed[0];
  if (hardwareId.IsEmpty())
    return false;

  WaitCursorScope waitCursor(m_view);
  CQuarvelHelper helper;
  if (!helper.InstallInfDriver(pass, hardwareId, nullptr))
    return false;
  // Describe the devices present now, so that the pass removes the one the driver went to.
  ScanDevices(pass);
  return true;
}

void CInstallerCore::InstallFromFolder(const CString &folder) {
  std::vector<InfPass> passes = PassesIn(folder);
  if (!passes[0].infPath.IsEmpty() && !Platform().FileExists(passes[0].infPath))
    passes[0].infPath = PathInDirectory(folder, kAlternateModemInf);
  for (const InfPass &pass : passes)
    RunInfPass(pass);
}

CString CInstallerCore::GetModuleDirectory() { return ExecutableDirectory(); }

bool CInstallerCore::RunFolderInstall(const std::function<CString()> &chooseFolder) {
  if (m_bBusy)
    return false;
  const CString folder = chooseFolder();
  return !folder.IsEmpty() && RunFolderInstall(folder);
}
