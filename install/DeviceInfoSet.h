#pragma once
// Owns one device information set handle: destroys it exactly once, and keeps the thread's
// last-error code across the destruction so that it still tells what failed before.

#include <cstring>

#include "platform/DeviceServices.h"

// A device record as the platform expects it: the size field set, the rest zeroed.
inline SP_DEVINFO_DATA EmptyDeviceRecord() {
  SP_DEVINFO_DATA device;
  std::memset(&device, 0, sizeof device);
  device.cbSize = sizeof(SP_DEVINFO_DATA);
  return device;
}

class CDeviceInfoSet {
public:
  explicit CDeviceInfoSet(HDEVINFO handle) : m_hSet(handle) {}
  ~CDeviceInfoSet() { Release(); }
  CDeviceInfoSet(const CDeviceInfoSet &) = delete;
  CDeviceInfoSet &operator=(const CDeviceInfoSet &) = delete;

  bool IsValid() const { return IsSetHandle(m_hSet); }
  HDEVINFO Get() const { return m_hSet; }

  void Release() {
    if (!IsValid())
      return;
    DeviceServices &services = Platform();
    const DWORD code = services.GetLastError();
    services.SetupDiDestroyDeviceInfoList(m_hSet);
    services.SetLastError(code);
    m_hSet = nullptr;
  }

  // Null and the invalid-handle value name no set.
  static bool IsSetHandle(HDEVINFO handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

private:
  HDEVINFO m_hSet;
};
