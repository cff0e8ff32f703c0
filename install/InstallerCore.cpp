#include "install/InstallerCore.h"

#include <algorithm>

#include "install/InfFileHelper.h"
#include "install/ModuleDirectory.h"
#include "install/QuarvelHelper.h"
#include "platform/DeviceServices.h"

namespace {

// Some driver folders name the modem INF this way.
const char kAlternateModemInf[] = "\\qcmsm.inf";
// Steps of the installing step that fail before the helper is asked (not traced).
const char kInfUnreadableStep[] = "Open INF";
const char kNoHardwareIdStep[] = "Read hardware IDs";

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

InstallVerdict InstallOutcome::Verdict() const {
  if (passes.empty())
    return InstallVerdict::Ignored;
  const bool allInstalled = std::all_of(passes.begin(), passes.end(),
                                        [](const PassResult &pass) { return pass.install.Succeeded(); });
  return allInstalled ? InstallVerdict::Success : InstallVerdict::Failure;
}

bool InstallOutcome::RestartNeeded() const {
  return std::any_of(passes.begin(), passes.end(), [](const PassResult &pass) { return pass.install.restartNeeded; });
}

InstallOutcome CInstallerCore::RunAutomaticInstall() {
  if (m_bBusy)
    return InstallOutcome();
  BusyScope busy(m_bBusy);
  return RunPasses(PassesIn(GetModuleDirectory()));
}

InstallOutcome CInstallerCore::RunFolderInstall(const CString &folder) {
  if (m_bBusy)
    return InstallOutcome();
  BusyScope busy(m_bBusy);
  return InstallFromFolder(folder);
}

void CInstallerCore::OnRefresh() {
  if (!m_bBusy && m_refreshPass)
    ScanDevices(*m_refreshPass);
}

InstallOutcome CInstallerCore::RunPasses(const std::vector<InfPass> &passes) {
  InstallOutcome outcome;
  for (const InfPass &pass : passes)
    outcome.passes.push_back(RunInfPass(pass));
  return outcome;
}

PassResult CInstallerCore::RunInfPass(const InfPass &pass) {
  const ScanResult scan = ScanDevices(pass);
  // A plain update of the devices that already carry the matched ID; whether it did anything is
  // seen by the installing step's own search.
  if (!scan.hardwareId.IsEmpty())
    Platform().UpdateDriverForPlugAndPlayDevicesA(nullptr, scan.hardwareId, pass.infPath, 0, nullptr);
  PassResult result{pass.driverKind, pass.infPath, InstallByInf(pass, scan.hardwareId)};
  RemoveMatchedDevice();
  return result;
}

InstallResult CInstallerCore::InstallByInf(const InfPass &pass, CString hardwareId) {
  if (hardwareId.IsEmpty()) {
    CStringArray listed;
    if (!ReadKindHardwareIds(pass, listed))
      return MissingInf(pass.infPath).value_or(InstallResult{kInfUnreadableStep, ERROR_OPEN_FAILED});
    if (!listed.IsEmpty())
      hardwareId = listed[0];
  }
  // The models section of the kind is missing, or lists nothing.
  if (hardwareId.IsEmpty())
    return InstallResult{kNoHardwareIdStep, ERROR_SECTION_NOT_FOUND};

  WaitCursorScope waitCursor(m_view);
  const InstallResult result = CQuarvelHelper().InstallDriver(pass, hardwareId);
  // Describe the devices present now, so that the pass removes the one the driver went to.
  if (result.Succeeded())
    ScanDevices(pass);
  return result;
}

InstallOutcome CInstallerCore::InstallFromFolder(const CString &folder) {
  std::vector<InfPass> passes = PassesIn(folder);
  if (!passes[0].infPath.IsEmpty() && !Platform().FileExists(passes[0].infPath))
    passes[0].infPath = PathInDirectory(folder, kAlternateModemInf);
  return RunPasses(passes);
}

CString CInstallerCore::GetModuleDirectory() { return ExecutableDirectory(); }

InstallOutcome CInstallerCore::RunFolderInstall(const std::function<CString()> &chooseFolder) {
  if (m_bBusy)
    return InstallOutcome();
  const CString folder = chooseFolder();
  return folder.IsEmpty() ? InstallOutcome() : RunFolderInstall(folder);
}
