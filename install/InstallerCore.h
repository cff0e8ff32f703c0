#pragma once
// The driver logic that the main dialog runs: its scan state, the device scan, the install passes
// and the automatic install's outcome. Portable, so that it is tested against the simulated tree;
// CQuarvelDlg derives from it and fills the window seam.

#include "platform/CString.h"
#include "platform/PlatformTypes.h"

// What the logic needs of the window.
class InstallView {
public:
  virtual ~InstallView() = default;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

enum class InstallOutcome {
  Success, // every installing step installed its driver: show the success message and close
  Failure, // show the failure line and the folder button
  Ignored, // another pass was already running: nothing happened
};

class CInstallerCore {
public:
  explicit CInstallerCore(InstallView &view);
  virtual ~CInstallerCore() = default;
  CInstallerCore(const CInstallerCore &) = delete;
  CInstallerCore &operator=(const CInstallerCore &) = delete;

  // The automatic install over the executable's directory (the Install button).
  InstallOutcome RunAutomaticInstall();
  // The three passes over a folder the user chose (the folder button); false when ignored.
  bool RunFolderInstall(const CString &folder);
  // The registered refresh message: scan again with the last INF, unless a pass is running.
  void OnRefresh();
  bool IsBusy() const { return m_bBusy; }

  // Releases the scan's set and empties the scan state.
  void ResetScanState();
  // Matches the present devices against the INF's hardware IDs for the kind in force; true when
  // the INF was read and its class known. The set stays open until the next scan or removal.
  bool ScanDevices(CString infPath);
  // Removes the device that the current set's own scan matched, if any, and releases the set.
  void RemoveMatchedDevice();
  // Scan, plain update, installing step, removal; returns the scan's result.
  bool RunInfPass(const CString &infPath);
  // Installs the scanned INF for the matched (or the INF's first) hardware ID; true when installed.
  bool InstallByInf();
  // The three passes over a folder, each with its kind; returns the last scan's result.
  bool InstallFromFolder(const CString &folder);
  // Empty when the executable's path cannot be read.
  CString GetModuleDirectory();

  // Scan state.
  HDEVINFO m_hDevInfo = nullptr;
  CString m_strInfPath;
  CString m_strHardwareId;
  int m_nMatchedIndex = 0;

  // Whether the installing step of the last pass installed its driver.
  bool LastInstallSucceeded() const { return m_bLastInstallOk; }

protected:
  // Destroys the scan's set, if there is one, and forgets its match.
  void ReleaseScanSet();

  InstallView &m_view;
  bool m_bSetMatched = false; // the scan that built m_hDevInfo matched m_nMatchedIndex
  bool m_bBusy = false;
  bool m_bLastInstallOk = false; // result of the last pass's installing step
};
