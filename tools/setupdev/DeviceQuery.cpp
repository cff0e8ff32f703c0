#include "DeviceQuery.h"

#include <cstring>

bool EqualNoCase(const std::string &a, const std::string &b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string StringProperty(HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property) {
  std::vector<char> buffer(1024);
  DWORD required = 0;
  while (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr,
                                            reinterpret_cast<BYTE *>(buffer.data()),
                                            static_cast<DWORD>(buffer.size()), &required)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size())
      return std::string();
    buffer.assign(required + 2, '\0');
  }
  buffer.push_back('\0');
  return std::string(buffer.data());
}

std::vector<std::string> HardwareIds(HDEVINFO set, SP_DEVINFO_DATA &device) {
  std::vector<char> buffer(2048);
  DWORD required = 0;
  while (!SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                            reinterpret_cast<BYTE *>(buffer.data()),
                                            static_cast<DWORD>(buffer.size()), &required)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size())
      return {};
    buffer.assign(required, '\0');
  }
  buffer.push_back('\0'); // a malformed multi-string still ends inside the buffer
  buffer.push_back('\0');
  std::vector<std::string> ids;
  for (const char *p = buffer.data(); p < buffer.data() + buffer.size() - 1 && *p; p += std::strlen(p) + 1)
    ids.emplace_back(p);
  return ids;
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA &device) {
  char id[512] = {}; // an instance ID is at most 200 characters
  if (!SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr))
    return std::string();
  return id;
}

std::string SampleMark(HDEVINFO set, SP_DEVINFO_DATA &device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE)
    return std::string();
  char value[256] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  std::string mark;
  if (RegQueryValueExA(key, "QuarvelSampleMark", nullptr, &type, reinterpret_cast<BYTE *>(value), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ)
    mark = value;
  RegCloseKey(key);
  return mark;
}

bool Lists(const std::vector<std::string> &ids, const std::string &wanted) {
  for (const std::string &id : ids)
    if (EqualNoCase(id, wanted))
      return true;
  return false;
}

bool ListsPrefix(const std::vector<std::string> &ids, const std::string &prefix) {
  for (const std::string &id : ids)
    if (id.size() >= prefix.size() && EqualNoCase(id.substr(0, prefix.size()), prefix))
      return true;
  return false;
}

std::string Join(const std::vector<std::string> &ids) {
  std::string joined;
  for (const std::string &id : ids)
    joined += (joined.empty() ? "" : ",") + id;
  return joined;
}

std::string DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
  return "DEV " + InstanceId(set, device) + " | hwid=" + Join(ids) + " | class=" +
         StringProperty(set, device, SPDRP_CLASS) + " | desc=" + StringProperty(set, device, SPDRP_DEVICEDESC) +
         " | driver=" + StringProperty(set, device, SPDRP_DRIVER) + " | mark=" + SampleMark(set, device);
}
