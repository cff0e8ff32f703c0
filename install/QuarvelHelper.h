#pragma once
// Installs one INF for one hardware ID: a forced update of the present device that lists the ID,
// or, when none does, a new root-enumerated device node carrying the current kind's fallback ID.
// Stateless; every step's failure is traced. Each operation returns true only when every step
// succeeded; the thread's last-error code then is zero, and on false it holds the failing call's code.

#include "platform/CString.h"
#include "platform/PlatformTypes.h"

class CQuarvelHelper {
public:
  CQuarvelHelper() = default;
  virtual ~CQuarvelHelper() = default;

  // rebootRequired (optional) receives whether the system must restart to finish the install.
  bool InstallInfDriver(CString infPath, CString hardwareId, BOOL *rebootRequired);
  // True when a present device lists exactly this hardware ID (letter case counts).
  bool FindPresentHardwareId(CString hardwareId);
  bool InstallOnNewRootDevice(CString infPath, CString hardwareId, BOOL *rebootRequired);
};

// The hardware-ID property a new node gets is built in a buffer of this size, two zero bytes included.
const int kHardwareIdPropertyBufferSize = 2000;
