// setupdev: seeds and lists device nodes through SetupAPI, so that the end-to-end tests can stage a
// "phone plugged in" and check what an install left behind.
//
//   setupdev create <hwid> <inf>   a registered root device carrying <hwid>, of the class the INF declares
//   setupdev list                  every present device, one line each
//
// Exit codes: 0 done, 2 usage, 3 a platform call failed.

#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>

#include "DeviceQuery.h"

namespace {

int Fail(const char *what) {
  std::fprintf(stderr, "setupdev: %s failed (error %lu)\n", what, GetLastError());
  return 3;
}

int Create(const std::string &hardwareId, const char *infPath) {
  GUID classGuid;
  char className[256] = {};
  if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr))
    return Fail("SetupDiGetINFClassA");
  HDEVINFO set = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  const std::string multi = hardwareId + '\0' + '\0';
  if (set == INVALID_HANDLE_VALUE ||
      !SetupDiCreateDeviceInfoA(set, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device) ||
      !SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, (const BYTE *)multi.data(), DWORD(multi.size())) ||
      !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
    return Fail("creating the device");
  char instance[512] = {};
  SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr);
  std::printf("CREATED %s\n", instance);
  SetupDiDestroyDeviceInfoList(set);
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "create" && argc == 4)
    return Create(argv[2], argv[3]);
  if (command != "list" || argc != 2) {
    std::fprintf(stderr, "usage: setupdev create <hwid> <inf> | setupdev list\n");
    return 2;
  }
  const bool listed = ForEachPresentDevice([](HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
    std::printf("%s\n", DescribeDevice(set, device, ids).c_str());
  });
  return listed ? 0 : Fail("SetupDiGetClassDevsA");
}
