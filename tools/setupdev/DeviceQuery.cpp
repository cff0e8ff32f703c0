#include "DeviceQuery.h"

#include <cstring>

namespace {

// A string or multi-string property, each string ending in NUL, two NULs after the last; empty when none.
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

std::string Mark(HDEVINFO set, SP_DEVINFO_DATA &device) {
  char value[256] = {};
  DWORD size = sizeof value - 1;
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key != INVALID_HANDLE_VALUE)
    RegQueryValueExA(key, "QuarvelSampleMark", nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size), RegCloseKey(key);
  return value;
}

} // namespace

std::vector<std::string> HardwareIds(HDEVINFO set, SP_DEVINFO_DATA &device) {
  const std::vector<char> multi = Property(set, device, SPDRP_HARDWAREID);
  std::vector<std::string> ids;
  for (const char *p = multi.data(); *p; p += std::strlen(p) + 1)
    ids.emplace_back(p);
  return ids;
}

bool ListsPrefix(const std::vector<std::string> &ids, const std::string &prefix) {
  for (const std::string &id : ids)
    if (_strnicmp(id.c_str(), prefix.c_str(), prefix.size()) == 0)
      return true;
  return false;
}

std::string DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
  char instance[512] = {};
  SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr);
  std::string line = std::string("DEV ") + instance + " | hwid=";
  for (size_t i = 0; i < ids.size(); ++i)
    line += (i ? "," : "") + ids[i];
  for (const auto &field : {std::make_pair(" | class=", SPDRP_CLASS), std::make_pair(" | desc=", SPDRP_DEVICEDESC),
                            std::make_pair(" | driver=", SPDRP_DRIVER)})
    line += field.first + std::string(Property(set, device, field.second).data());
  return line + " | mark=" + Mark(set, device);
}
