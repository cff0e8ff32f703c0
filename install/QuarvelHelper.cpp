#include "install/QuarvelHelper.h"

#include <cstring>
#include <vector>

#include "install/DeviceInfoSet.h"
#include "install/DriverKind.h"
#include "install/MultiString.h"
#include "platform/DeviceServices.h"
#include "trace/DebugTrace.h"

namespace {

// A property value larger than this is not a hardware-ID list we can use.
const DWORD kMaxPropertySize = 1024 * 1024;

// Traces a failure and leaves the failing call's code as the thread's last-error code.
bool Fail(const char *text) {
  DeviceServices &services = Platform();
  const DWORD code = services.GetLastError();
  DebugTraceText(text);
  services.SetLastError(code);
  return false;
}

bool Succeed() {
  Platform().SetLastError(ERROR_SUCCESS);
  return true;
}

enum class PropertyRead { Read, NoHardwareIds, Failed };

// Reads a device's hardware IDs into buffer, growing it to the size the platform asks for.
// size receives the number of bytes returned.
PropertyRead ReadHardwareIds(HDEVINFO set, SP_DEVINFO_DATA &device, std::vector<BYTE> &buffer, size_t &size) {
  DeviceServices &services = Platform();
  buffer.clear();
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(buffer.size());
    DWORD required = capacity;
    if (services.SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                   buffer.empty() ? nullptr : buffer.data(), capacity, &required)) {
      size = required < capacity ? required : capacity;
      return PropertyRead::Read;
    }
    const DWORD code = services.GetLastError();
    if (code == ERROR_INVALID_DATA)
      return PropertyRead::NoHardwareIds;
    // Growing must make progress, and must stay within reason.
    if (code != ERROR_INSUFFICIENT_BUFFER || required <= capacity || required > kMaxPropertySize)
      return PropertyRead::Failed;
    buffer.assign(required, 0);
  }
}

} // namespace

bool CQuarvelHelper::InstallInfDriver(CString infPath, CString hardwareId, BOOL *rebootRequired) {
  DeviceServices &services = Platform();
  BOOL reboot = FALSE;

  if (!services.FileExists(infPath)) {
    const DWORD code = services.GetLastError();
    DebugTraceText("File not found:" + infPath);
    services.SetLastError(code != ERROR_SUCCESS ? code : static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    return false;
  }

  if (FindPresentHardwareId(hardwareId)) {
    if (!services.UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE, &reboot))
      return Fail("UpdateDriverForPlugAndPlayDevices");
  } else {
    hardwareId = FallbackHardwareIdForKind(g_strDriverKind);
    if (!InstallOnNewRootDevice(infPath, hardwareId, &reboot))
      return false;
  }

  DebugTraceText("Driver Installed successfully.\n");
  if (rebootRequired)
    *rebootRequired = reboot;
  if (reboot)
    DebugTraceText("(Reboot Required)\n");
  return Succeed();
}

bool CQuarvelHelper::FindPresentHardwareId(CString hardwareId) {
  DeviceServices &services = Platform();
  CDeviceInfoSet set(services.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
  if (!set.IsValid())
    return Fail("GetClassDevs(All Present Devices)");

  DebugTrace("Search for Device ID: [%s\n]\n", hardwareId.GetString());
  std::vector<BYTE> buffer;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    if (!services.SetupDiEnumDeviceInfo(set.Get(), index, &device))
      break;
    size_t size = 0;
    const PropertyRead read = ReadHardwareIds(set.Get(), device, buffer, size);
    if (read == PropertyRead::NoHardwareIds)
      continue;
    if (read == PropertyRead::Failed)
      return Fail("GetDeviceRegistryProperty");
    for (const CString &candidate : SplitMultiString(buffer.data(), size)) {
      DebugTrace("Compare device ID: [%s\n]\n", candidate.GetString());
      if (candidate == hardwareId) {
        DebugTrace("Found! [%s\n]\n", candidate.GetString());
        return Succeed();
      }
    }
  }
  // The walk ran past the last device (or the enumeration failed): not found.
  return Fail("EnumDeviceInfo");
}

bool CQuarvelHelper::InstallOnNewRootDevice(CString infPath, CString hardwareId, BOOL *rebootRequired) {
  DeviceServices &services = Platform();
  // The ID and its two terminating zeros must fit the property buffer.
  if (hardwareId.GetLength() + 2 > kHardwareIdPropertyBufferSize) {
    DebugTraceText("Hardware ID too long");
    services.SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }

  GUID classGuid;
  std::memset(&classGuid, 0, sizeof classGuid);
  char className[1024] = {};
  if (!services.SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr))
    return Fail("GetINFClass fail");

  CDeviceInfoSet set(services.SetupDiCreateDeviceInfoList(&classGuid, nullptr));
  if (!set.IsValid())
    return Fail("CreateDeviceInfoList");

  SP_DEVINFO_DATA device = EmptyDeviceRecord();
  if (!services.SetupDiCreateDeviceInfoA(set.Get(), className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device))
    return Fail("CreateDeviceInfo");

  BYTE property[kHardwareIdPropertyBufferSize] = {};
  std::memcpy(property, hardwareId.GetString(), static_cast<size_t>(hardwareId.GetLength()));
  if (!services.SetupDiSetDeviceRegistryPropertyA(set.Get(), &device, SPDRP_HARDWAREID, property,
                                                  static_cast<DWORD>(hardwareId.GetLength() + 2)))
    return Fail("SetDeviceRegistryProperty");

  if (!services.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.Get(), &device))
    return Fail("CallClassInstaller(REGISTERDEVICE)");

  if (!services.UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE, rebootRequired)) {
    const DWORD code = services.GetLastError();
    DebugTraceText("UpdateDriverForPlugAndPlayDevices");
    // The node is of no use without its driver: take it away again.
    if (!services.SetupDiCallClassInstaller(DIF_REMOVE, set.Get(), &device))
      DebugTraceText("CallClassInstaller(REMOVE)");
    services.SetLastError(code);
    return false;
  }
  return Succeed();
}
