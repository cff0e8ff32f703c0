// setupdev: seeds, lists, updates and removes device nodes through SetupAPI, so that the
// end-to-end tests can stage a "phone plugged in" and check what an install left behind.
//
//   setupdev create <hwid> [class]     a registered root device carrying <hwid>; class is a {GUID},
//                                      an INF path (its class is read from it) or omitted (Unknown)
//   setupdev list [hwid]               present devices, one line each; with <hwid>, only those
//                                      listing it (letter case ignored)
//   setupdev update <hwid> <inf> [force]  UpdateDriverForPlugAndPlayDevicesA, result printed
//   setupdev remove <hwid>             removes every present root device listing <hwid>
//   setupdev infclass <inf>            SetupDiGetINFClassA on the INF: result, last-error, class
//
// Exit codes: 0 done, 1 nothing matched (list with a filter, remove), 2 usage, 3 a platform call failed.

#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DeviceQuery.h"

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
    std::printf("%s\n", DescribeDevice(set, device, ids).c_str());
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

// The last-error is preset to a value no call sets, so that "left untouched" shows as such.
const DWORD kUntouchedError = 0xDEADBEEF;

int InfClass(const char *infPath) {
  // Outputs preset too, to tell the ones the call wrote from the ones it left alone.
  GUID guid;
  std::memset(&guid, 0xA5, sizeof guid);
  const GUID unwritten = guid;
  char name[1024];
  std::memset(name, 0, sizeof name);
  name[0] = '?';
  DWORD required = kUntouchedError;
  SetLastError(kUntouchedError);
  const BOOL ok = SetupDiGetINFClassA(infPath, &guid, name, sizeof name, &required);
  const DWORD error = GetLastError();
  char errorText[32] = "untouched";
  if (error != kUntouchedError)
    std::snprintf(errorText, sizeof errorText, "%lu", error);
  char requiredText[32] = "untouched";
  if (required != kUntouchedError)
    std::snprintf(requiredText, sizeof requiredText, "%lu", required);
  char guidText[48] = "untouched";
  if (std::memcmp(&guid, &unwritten, sizeof guid) != 0)
    std::snprintf(guidText, sizeof guidText, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                  guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  std::printf("INFCLASS result=%d error=%s required=%s guid=%s name=%s\n", ok ? 1 : 0, errorText, requiredText,
              guidText, name[0] == '?' && name[1] == '\0' ? "untouched" : name);
  return ok ? kExitDone : kExitFailed;
}

int Usage() {
  std::fprintf(stderr, "usage: setupdev create <hwid> [{class-guid}|inf]\n"
                       "       setupdev list [hwid]\n"
                       "       setupdev update <hwid> <inf> [force]\n"
                       "       setupdev remove <hwid>\n"
                       "       setupdev infclass <inf>\n");
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
  else if (command == "infclass" && argc == 3)
    result = InfClass(argv[2]);
  else
    return Usage();
  std::fflush(stdout);
  return result;
}
