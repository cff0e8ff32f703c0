#pragma once
// Owns one device information set handle and destroys it exactly once.

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
  explicit CDeviceInfoSet(HDEVINFO handle = nullptr) : m_hSet(handle) {}
  ~CDeviceInfoSet() { Release(); }
  CDeviceInfoSet(const CDeviceInfoSet &) = delete;
  CDeviceInfoSet &operator=(const CDeviceInfoSet &) = delete;

  bool IsValid() const { return IsSetHandle(m_hSet); }
  HDEVINFO Get() const { return m_hSet; }

  // Takes a handle as the platform returned it: an invalid-handle value is released too, and that
  // call simply fails.
  void Reset(HDEVINFO handle) {
    Release();
    m_hSet = handle;
  }
  void Release() {
    if (m_hSet)
      Platform().SetupDiDestroyDeviceInfoList(m_hSet);
    m_hSet = nullptr;
  }

  // Null and the invalid-handle value name no set.
  static bool IsSetHandle(HDEVINFO handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

private:
  HDEVINFO m_hSet;
};
