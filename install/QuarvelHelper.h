#pragma once
// Installs one INF for one hardware ID: a forced update of the present device that lists the ID,
// or, when none does, a new root-enumerated device node carrying the pass's fallback ID. Stateless;
// every step's failure is traced. Inside, a failure travels as an InstallResult; each operation
// hands it over as the platform does: true only when every step succeeded, the thread's last-error
// code then zero, and on false the failing call's code.

#include <optional>

#include "install/DriverKind.h"
#include "platform/PlatformTypes.h"

// How an install ended: the step that failed (its trace text; none on success), that step's code,
// and whether the system must restart to finish it.
struct InstallResult {
  const char *failedStep = nullptr;
  DWORD code = ERROR_SUCCESS;
  bool restartNeeded = false;
  bool Succeeded() const { return failedStep == nullptr; }
};

// The steps whose failure the outcome's words tell apart.
inline constexpr char kInfMissingStep[] = "File not found:";
inline constexpr char kInfClassStep[] = "GetINFClass fail";

// Why no install was tried when the INF cannot be found: the file check's result; none when it exists.
std::optional<InstallResult> MissingInf(const CString &infPath);

class CQuarvelHelper {
public:
  virtual ~CQuarvelHelper() = default;

  // rebootRequired (optional) receives whether the system must restart to finish the install.
  bool InstallInfDriver(const InfPass &pass, CString hardwareId, BOOL *rebootRequired);
  // The same install, its result as a value.
  InstallResult InstallDriver(const InfPass &pass, const CString &hardwareId);
  // True when a present device lists exactly this hardware ID (letter case counts).
  bool FindPresentHardwareId(CString hardwareId);
  bool InstallOnNewRootDevice(CString infPath, CString hardwareId, BOOL *rebootRequired);
};

// The hardware-ID property a new node gets is built in a buffer of this size, two zero bytes included.
const int kHardwareIdPropertyBufferSize = 2000;
