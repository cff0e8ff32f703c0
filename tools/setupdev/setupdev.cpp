// setupdev: seeds, lists, updates and removes device nodes through SetupAPI, so that the
// end-to-end tests can stage a "phone plugged in" and check what an install left behind.
//
//   setupdev create <hwid> [class]     a registered root device carrying <hwid>; class is a {GUID},
//                                      an INF path (its class is read from it) or omitted (Unknown)
//   setupdev list [hwid]               present devices, one line each; with <hwid>, only those
//                                      listing it (letter case ignored)
//   setupdev update <hwid> <inf> [force]  UpdateDriverForPlugAndPlayDevicesA, result printed
//   setupdev remove <hwid>             removes every present root device listing <hwid>
//
// Exit codes: 0 done, 1 nothing matched (list with a filter, remove), 2 usage, 3 a platform call failed.

#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kExitDone = 0;
const int kExitNoMatch = 1;
const int kExitUsage = 2;
const int kExitFailed = 3;

// {4D36E97E-E325-11CE-BFC1-08002BE10318}: the "Other devices" class, for nodes seeded without a class.
const GUID kUnknownClass = {0x4D36E97E, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

int Fail(const char *what) {
  std::fprintf(stderr, "setupdev: %s failed (error %lu)\n", what, GetLastError());
  return kExitFailed;
}

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

bool EqualNoCase(const std::string &a, const std::string &b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A string property; empty when the device has none.
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

// The hardware IDs, in property order.
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

// The sample packages leave this value on the driver key they install.
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

std::string Join(const std::vector<std::string> &ids) {
  std::string joined;
  for (const std::string &id : ids)
    joined += (joined.empty() ? "" : ",") + id;
  return joined;
}

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

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", nothing more, nothing less.
bool ParseGuid(const char *text, GUID &guid) {
  unsigned long data1 = 0;
  unsigned int data2 = 0, data3 = 0, bytes[8] = {};
  int consumed = 0;
  if (std::strlen(text) != 38 ||
      std::sscanf(text, "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &data1, &data2, &data3, &bytes[0], &bytes[1],
                  &bytes[2], &bytes[3], &bytes[4], &bytes[5], &bytes[6], &bytes[7], &consumed) != 11 ||
      consumed != 38)
    return false;
  guid.Data1 = data1;
  guid.Data2 = static_cast<unsigned short>(data2);
  guid.Data3 = static_cast<unsigned short>(data3);
  for (int i = 0; i < 8; ++i)
    guid.Data4[i] = static_cast<unsigned char>(bytes[i]);
  return true;
}

// The class a seeded node joins: a {GUID}, the class an INF declares, or Unknown.
bool ResolveClass(const char *arg, GUID &guid, std::string &name) {
  char className[256] = {};
  if (!arg) {
    guid = kUnknownClass;
  } else if (arg[0] == '{') {
    if (!ParseGuid(arg, guid)) {
      std::fprintf(stderr, "setupdev: not a class GUID: %s\n", arg);
      return false;
    }
  } else {
    if (!SetupDiGetINFClassA(arg, &guid, className, sizeof className, nullptr)) {
      Fail("SetupDiGetINFClassA");
      return false;
    }
    name = className;
    return true;
  }
  // A fresh system may not know the class's name yet; the node is still created under its GUID.
  if (SetupDiClassNameFromGuidA(&guid, className, sizeof className, nullptr))
    name = className;
  else
    name = "Unknown";
  return true;
}

int Create(const char *hardwareId, const char *classArg) {
  GUID classGuid;
  std::string className;
  if (!ResolveClass(classArg, classGuid, className))
    return kExitUsage;
  DeviceSet set(SetupDiCreateDeviceInfoList(&classGuid, nullptr));
  if (!set.Valid())
    return Fail("SetupDiCreateDeviceInfoList");
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  if (!SetupDiCreateDeviceInfoA(set.Get(), className.c_str(), &classGuid, nullptr, nullptr, DICD_GENERATE_ID,
                                &device))
    return Fail("SetupDiCreateDeviceInfoA");
  std::vector<char> multi(hardwareId, hardwareId + std::strlen(hardwareId));
  multi.push_back('\0');
  multi.push_back('\0');
  if (!SetupDiSetDeviceRegistryPropertyA(set.Get(), &device, SPDRP_HARDWAREID, reinterpret_cast<BYTE *>(multi.data()),
                                         static_cast<DWORD>(multi.size())))
    return Fail("SetupDiSetDeviceRegistryPropertyA");
  if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.Get(), &device))
    return Fail("SetupDiCallClassInstaller(DIF_REGISTERDEVICE)");
  std::printf("CREATED %s\n", InstanceId(set.Get(), device).c_str());
  return kExitDone;
}

int List(const char *filter) {
  int shown = 0;
  bool built = ForEachPresentDevice([&](HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
    if (filter && !Lists(ids, filter))
      return;
    ++shown;
    std::printf("DEV %s | hwid=%s | class=%s | desc=%s | driver=%s | mark=%s\n", InstanceId(set, device).c_str(),
                Join(ids).c_str(), StringProperty(set, device, SPDRP_CLASS).c_str(),
                StringProperty(set, device, SPDRP_DEVICEDESC).c_str(),
                StringProperty(set, device, SPDRP_DRIVER).c_str(), SampleMark(set, device).c_str());
  });
  if (!built)
    return Fail("SetupDiGetClassDevsA");
  std::printf("%d device(s)\n", shown);
  return filter && shown == 0 ? kExitNoMatch : kExitDone;
}

int Update(const char *hardwareId, const char *infPath, bool force) {
  char fullPath[MAX_PATH] = {};
  DWORD length = GetFullPathNameA(infPath, sizeof fullPath, fullPath, nullptr);
  if (length == 0 || length >= sizeof fullPath)
    return Fail("GetFullPathNameA");
  BOOL reboot = FALSE;
  SetLastError(0);
  BOOL ok = UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, fullPath, force ? INSTALLFLAG_FORCE : 0, &reboot);
  DWORD error = GetLastError();
  std::printf("UPDATE %s result=%d error=%lu reboot=%d\n", ok ? "ok" : "failed", ok ? 1 : 0, ok ? 0UL : error,
              reboot ? 1 : 0);
  return ok ? kExitDone : kExitFailed;
}

int Remove(const char *hardwareId) {
  int removed = 0;
  int failed = 0;
  bool built = ForEachPresentDevice([&](HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
    if (!Lists(ids, hardwareId))
      return;
    // Only nodes that were created by software: a real device with this ID is never touched.
    std::string instance = InstanceId(set, device);
    if (_strnicmp(instance.c_str(), "ROOT\\", 5) != 0) {
      std::printf("SKIPPED %s (not root-enumerated)\n", instance.c_str());
      return;
    }
    if (SetupDiCallClassInstaller(DIF_REMOVE, set, &device)) {
      ++removed;
      std::printf("REMOVED %s\n", instance.c_str());
    } else {
      ++failed;
      std::fprintf(stderr, "setupdev: removing %s failed (error %lu)\n", instance.c_str(), GetLastError());
    }
  });
  if (!built)
    return Fail("SetupDiGetClassDevsA");
  if (failed)
    return kExitFailed;
  if (!removed)
    std::printf("no root device lists %s\n", hardwareId);
  return removed ? kExitDone : kExitNoMatch;
}

int Usage() {
  std::fprintf(stderr, "usage: setupdev create <hwid> [{class-guid}|inf]\n"
                       "       setupdev list [hwid]\n"
                       "       setupdev update <hwid> <inf> [force]\n"
                       "       setupdev remove <hwid>\n");
  return kExitUsage;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2)
    return Usage();
  const std::string command = argv[1];
  int result = kExitUsage;
  if (command == "create" && (argc == 3 || argc == 4))
    result = Create(argv[2], argc == 4 ? argv[3] : nullptr);
  else if (command == "list" && argc <= 3)
    result = List(argc == 3 ? argv[2] : nullptr);
  else if (command == "update" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "force") == 0)))
    result = Update(argv[2], argv[3], argc == 5);
  else if (command == "remove" && argc == 3)
    result = Remove(argv[2]);
  else
    return Usage();
  std::fflush(stdout);
  return result;
}
