#include "DeviceQuery.h"

#include <algorithm>
#include <cstring>

namespace {

// A string or multi-string property, two NULs after its last string; empty when there is none.
std::vector<char> Property(HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property) {
  std::vector<char> buffer(1024);
  DWORD required = 0;
  while (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE *>(buffer.data()),
                                            DWORD(buffer.size() - 2), &required)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required + 2 <= buffer.size())
      return std::vector<char>(2, '\0');
    buffer.assign(required + 2, '\0');
  }
  return buffer;
}

} // namespace

bool ForEachPresentDevice(const DeviceVisit &visit) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE)
    return false;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    const std::vector<char> multi = Property(set, device, SPDRP_HARDWAREID);
    std::vector<std::string> ids;
    for (const char *id = multi.data(); *id; id += std::strlen(id) + 1)
      ids.emplace_back(id);
    visit(set, device, ids);
  }
  SetupDiDestroyDeviceInfoList(set);
  return true;
}

bool ListsPrefix(const std::vector<std::string> &ids, const std::string &prefix) {
  return std::any_of(ids.begin(), ids.end(),
                     [&](const std::string &id) { return _strnicmp(id.c_str(), prefix.c_str(), prefix.size()) == 0; });
}

std::string DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
  char instance[512] = {}, mark[256] = {};
  DWORD size = sizeof mark - 1;
  SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr);
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key != INVALID_HANDLE_VALUE)
    RegQueryValueExA(key, "QuarvelSampleMark", nullptr, nullptr, reinterpret_cast<BYTE *>(mark), &size),
        RegCloseKey(key);
  std::string line = std::string("DEV ") + instance + " | hwid=";
  for (size_t i = 0; i < ids.size(); ++i)
    line += (i ? "," : "") + ids[i];
  for (const auto &field : {std::make_pair(" | class=", SPDRP_CLASS), std::make_pair(" | desc=", SPDRP_DEVICEDESC),
                            std::make_pair(" | driver=", SPDRP_DRIVER)})
    line += field.first + std::string(Property(set, device, field.second).data());
  return line + " | mark=" + mark;
}
