#pragma once
// The driver logic behind the main dialog: the device scan and the set it keeps, the install passes
// and the automatic install's outcome. Portable, so that it is tested against the simulated tree;
// the dialog holds one and gives it a window.

#include <functional>
#include <optional>
#include <vector>

#include "install/DeviceInfoSet.h"
#include "install/DriverKind.h"
#include "install/QuarvelHelper.h"

// What the logic needs of the window.
class InstallView {
public:
  virtual ~InstallView() = default;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

// What one pass did: its driver, its INF, and how its installing step ended.
struct PassResult {
  DriverKind driverKind;
  CString infPath;
  InstallResult install; // Succeeded(): the driver is installed
};

enum class InstallVerdict {
  Success, // every installing step installed its driver
  Failure, // some driver is not installed: the failure line, the folder button and the details
  Ignored, // another pass was already running, or no folder was chosen: nothing happened
};

// How an automatic or a folder install ended: its passes' results in pass order, none when ignored.
struct InstallOutcome {
  std::vector<PassResult> passes;
  InstallVerdict Verdict() const;
  // Some install asked for Windows to restart before its driver works.
  bool RestartNeeded() const;
};

// What one scan found.
struct ScanResult {
  bool matched = false; // a present device matched; of several, the last in enumeration order:
  CString hardwareId;   //   its first hardware ID, as read
  DWORD index = 0;      //   its index in the scan's set
};

class CInstallerCore {
public:
  explicit CInstallerCore(InstallView &view) : m_view(view) {}
  CInstallerCore(const CInstallerCore &) = delete;
  CInstallerCore &operator=(const CInstallerCore &) = delete;

  // The automatic install over the executable's directory (the Install button).
  InstallOutcome RunAutomaticInstall();
  // The three passes over a folder the user chose (the folder button).
  InstallOutcome RunFolderInstall(const CString &folder);
  // The folder button: asks chooseFolder for a folder, then runs the folder install over it. While a
  // pass runs it does nothing at all, asks nothing: the driver update may show its own ownerless
  // prompt, which leaves the dialog enabled, and another program may click while the trace channel
  // waits in a sent message. Ignored without a folder too.
  InstallOutcome RunFolderInstall(const std::function<CString()> &chooseFolder);
  // The registered refresh message: scan again with the last scan's pass, unless a pass is running.
  void OnRefresh();
  bool IsBusy() const { return m_bBusy; }

  // Releases the scan's set and forgets the last scan.
  void ResetScanState();
  // Matches the present devices against the hardware IDs the pass's INF lists for its kind. The
  // set stays open until the next scan, the removal or the installer's end.
  ScanResult ScanDevices(InfPass pass);
  // Removes the device that the current set's own scan matched, if any, and releases the set.
  void RemoveMatchedDevice();
  // Scan, plain update, installing step, removal; the installing step's result.
  PassResult RunInfPass(const InfPass &pass);
  // Installs the pass's INF for the matched hardware ID, or the INF's first.
  InstallResult InstallByInf(const InfPass &pass, CString hardwareId);
  // The three passes over a folder, each with its own kind.
  InstallOutcome InstallFromFolder(const CString &folder);
  // Empty when the executable's path cannot be read.
  CString GetModuleDirectory();

private:
  void ReleaseScanSet();
  InstallOutcome RunPasses(const std::vector<InfPass> &passes);

  InstallView &m_view;
  CDeviceInfoSet m_scanSet;             // the last scan's set
  std::optional<DWORD> m_matchedIndex;  // the device that set's own scan matched
  std::optional<InfPass> m_refreshPass; // the last scan's pass, once its INF was read
  bool m_bBusy = false;
};
