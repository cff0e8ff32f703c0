// bench_minimal_baseline: the least that installing the sample package on root device nodes needs.
// For each INF: its class, a new set, a new node with a generated name, its hardware ID, the node
// registered, the driver forced onto it, the node removed, the set destroyed. No scan and no search:
// this is the cost of the device-installation sequence itself.

#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <cstring>

#include "BaselineSupport.h"

namespace {

bool InstallAndRemove(const char *infPath, const char *hardwareId) {
  GUID classGuid;
  char className[1024] = {};
  if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr))
    return false;
  HDEVINFO set = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  if (set == INVALID_HANDLE_VALUE)
    return false;
  SP_DEVINFO_DATA device;
  std::memset(&device, 0, sizeof device);
  device.cbSize = sizeof device;
  BYTE property[2000] = {};
  const DWORD length = static_cast<DWORD>(std::strlen(hardwareId));
  std::memcpy(property, hardwareId, length);
  BOOL reboot = FALSE;
  bool created = SetupDiCreateDeviceInfoA(set, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device) != FALSE;
  bool installed = created && SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, property, length + 2) &&
                   SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device) &&
                   UpdateDriver(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE, &reboot);
  if (created)
    SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
  SetupDiDestroyDeviceInfoList(set);
  return installed;
}

// The three INF files, in Quarvel.exe's order.
bool InstallPackage() { return RunBaselinePasses(InstallAndRemove); }

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunBenchDialog(instance, InstallPackage); }
