#pragma once
// Reading the present devices through SetupAPI, for the test tools: setupdev lists and removes
// them, the trace viewer records which ones stand at each trace text.

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

// Owns one device information set.
class DeviceSet {
public:
  explicit DeviceSet(HDEVINFO set) : m_set(set) {}
  ~DeviceSet() {
    if (m_set != INVALID_HANDLE_VALUE)
      SetupDiDestroyDeviceInfoList(m_set);
  }
  DeviceSet(const DeviceSet &) = delete;
  DeviceSet &operator=(const DeviceSet &) = delete;
  bool Valid() const { return m_set != INVALID_HANDLE_VALUE; }
  HDEVINFO Get() const { return m_set; }

private:
  HDEVINFO m_set;
};

bool EqualNoCase(const std::string &a, const std::string &b);
// A string property; empty when the device has none.
std::string StringProperty(HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property);
// The hardware IDs, in property order.
std::vector<std::string> HardwareIds(HDEVINFO set, SP_DEVINFO_DATA &device);
std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA &device);
// The value the sample packages leave on the driver key they install; empty when there is none.
std::string SampleMark(HDEVINFO set, SP_DEVINFO_DATA &device);
// Whether ids holds wanted, letter case ignored.
bool Lists(const std::vector<std::string> &ids, const std::string &wanted);
// Whether some ID of ids begins with prefix, letter case ignored.
bool ListsPrefix(const std::vector<std::string> &ids, const std::string &prefix);
std::string Join(const std::vector<std::string> &ids);
// One line: "DEV <instance> | hwid=<a,b> | class=... | desc=... | driver=... | mark=...".
std::string DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids);

// Calls visit(set, device, hardware IDs) for every present device; false when the set could not be built.
template <typename Visit> bool ForEachPresentDevice(Visit visit) {
  DeviceSet set(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
  if (!set.Valid())
    return false;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(set.Get(), index, &device))
      break;
    visit(set.Get(), device, HardwareIds(set.Get(), device));
  }
  return true;
}
