#pragma once
// Reading the present devices through SetupAPI, for the test tools: setupdev lists them, the trace
// viewer records which ones stand at each trace text.

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

// The hardware IDs, in property order.
std::vector<std::string> HardwareIds(HDEVINFO set, SP_DEVINFO_DATA &device);
// Whether some ID of ids begins with prefix, letter case ignored.
bool ListsPrefix(const std::vector<std::string> &ids, const std::string &prefix);
// One line: "DEV <instance> | hwid=<a,b> | class=... | desc=... | driver=... | mark=...", where mark is
// the value the sample packages leave on the driver key they install.
std::string DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids);

// Calls visit(set, device, hardware IDs) for every present device; false when the set could not be built.
template <typename Visit> bool ForEachPresentDevice(Visit visit) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE)
    return false;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index)
    visit(set, device, HardwareIds(set, device));
  SetupDiDestroyDeviceInfoList(set);
  return true;
}
