#include "install/QuarvelHelper.h"

#include <cstring>

#include "install/DeviceInfoSet.h"
#include "install/HandOver.h"
#include "install/HardwareIdReader.h"
#include "platform/DeviceServices.h"
#include "trace/DebugTrace.h"

namespace {

// A traced failure with the code the failing call left (the trace keeps the code as it finds it).
InstallResult Failed(const char *step, DWORD code = Platform().GetLastError()) {
  DebugTraceText(step);
  if (code == ERROR_IN_WOW64)
    DebugTrace("%s is needed: on 64-bit Windows only a 64-bit program installs drivers\n", k64BitBuildName);
  return InstallResult{step, code, false};
}

// The boundary where a caller reads the platform's way: result, last-error code, reboot flag.
bool Report(const InstallResult &result, BOOL *rebootRequired) {
  if (rebootRequired && result.Succeeded())
    *rebootRequired = result.restartNeeded ? TRUE : FALSE;
  Platform().SetLastError(result.code);
  return result.Succeeded();
}

// The search's rule (see HardwareIdReader.h): every string of every present device, compared exactly.
InstallResult FindPresent(const CString &hardwareId) {
  DeviceServices &services = Platform();
  const HDEVINFO handle = services.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (!CDeviceInfoSet::IsSetHandle(handle))
    return Failed("GetClassDevs(All Present Devices)");
  CDeviceInfoSet set(handle);

  DebugTrace("Search for Device ID: [%s\n]\n", hardwareId.GetString());
  CHardwareIdReader reader(0, kSearchPropertyMaxSize);
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    // Past the last device (or a failed enumeration): not found.
    if (!services.SetupDiEnumDeviceInfo(set.Get(), index, &device))
      return Failed("EnumDeviceInfo");
    const CHardwareIdReader::Outcome read = reader.ReadDevice(set.Get(), device);
    if (read == CHardwareIdReader::Failed)
      return Failed("GetDeviceRegistryProperty");
    if (read == CHardwareIdReader::Unusable)
      DebugTraceText("GetDeviceRegistryProperty"); // one odd device does not end the search: skip it
    for (const CString &candidate : reader.Strings()) {
      DebugTrace("Compare device ID: [%s\n]\n", candidate.GetString());
      if (candidate == hardwareId) {
        DebugTrace("Found! [%s\n]\n", candidate.GetString());
        return InstallResult();
      }
    }
  }
}

InstallResult InstallOnNewNode(const CString &infPath, const CString &hardwareId) {
  // The ID and its two terminating zeros must fit the property buffer.
  if (hardwareId.GetLength() + 2 > kHardwareIdPropertyBufferSize)
    return Failed("Hardware ID too long", ERROR_INSUFFICIENT_BUFFER);

  DeviceServices &services = Platform();
  GUID classGuid;
  std::memset(&classGuid, 0, sizeof classGuid);
  char className[1024] = {};
  if (!services.SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr))
    return Failed(kInfClassStep);

  const HDEVINFO handle = services.SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  if (!CDeviceInfoSet::IsSetHandle(handle))
    return Failed("CreateDeviceInfoList");
  CDeviceInfoSet set(handle);

  SP_DEVINFO_DATA device = EmptyDeviceRecord();
  if (!services.SetupDiCreateDeviceInfoA(set.Get(), className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device))
    return Failed("CreateDeviceInfo");

  BYTE property[kHardwareIdPropertyBufferSize] = {};
  std::memcpy(property, hardwareId.GetString(), static_cast<size_t>(hardwareId.GetLength()));
  if (!services.SetupDiSetDeviceRegistryPropertyA(set.Get(), &device, SPDRP_HARDWAREID, property,
                                                  static_cast<DWORD>(hardwareId.GetLength() + 2)))
    return Failed("SetDeviceRegistryProperty");

  if (!services.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.Get(), &device))
    return Failed("CallClassInstaller(REGISTERDEVICE)");

  BOOL reboot = FALSE;
  if (!services.UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE, &reboot)) {
    const InstallResult failure = Failed("UpdateDriverForPlugAndPlayDevices");
    // The node is of no use without its driver: take it away again.
    if (!services.SetupDiCallClassInstaller(DIF_REMOVE, set.Get(), &device))
      DebugTraceText("CallClassInstaller(REMOVE)");
    return failure;
  }
  return InstallResult{nullptr, ERROR_SUCCESS, reboot != FALSE};
}

InstallResult Install(const InfPass &pass, const CString &hardwareId) {
  if (const std::optional<InstallResult> missing = MissingInf(pass.infPath)) {
    DebugTraceText(kInfMissingStep + pass.infPath);
    return *missing;
  }

  DeviceServices &services = Platform();
  InstallResult result;
  if (FindPresent(hardwareId).Succeeded()) {
    BOOL reboot = FALSE;
    if (!services.UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, pass.infPath, INSTALLFLAG_FORCE, &reboot))
      return Failed("UpdateDriverForPlugAndPlayDevices");
    result.restartNeeded = reboot != FALSE;
  } else {
    result = InstallOnNewNode(pass.infPath, pass.driverKind.fallbackHardwareId);
    if (!result.Succeeded())
      return result;
  }

  DebugTraceText("Driver Installed successfully.\n");
  if (result.restartNeeded)
    DebugTraceText("(Reboot Required)\n");
  return result;
}

} // namespace

std::optional<InstallResult> MissingInf(const CString &infPath) {
  DeviceServices &services = Platform();
  if (services.FileExists(infPath))
    return std::nullopt;
  const DWORD code = services.GetLastError();
  return InstallResult{kInfMissingStep, code != ERROR_SUCCESS ? code : static_cast<DWORD>(ERROR_FILE_NOT_FOUND)};
}

bool CQuarvelHelper::InstallInfDriver(const InfPass &pass, CString hardwareId, BOOL *rebootRequired) {
  return Report(Install(pass, hardwareId), rebootRequired);
}

InstallResult CQuarvelHelper::InstallDriver(const InfPass &pass, const CString &hardwareId) {
  return Install(pass, hardwareId);
}

bool CQuarvelHelper::FindPresentHardwareId(CString hardwareId) { return Report(FindPresent(hardwareId), nullptr); }

bool CQuarvelHelper::InstallOnNewRootDevice(CString infPath, CString hardwareId, BOOL *rebootRequired) {
  return Report(InstallOnNewNode(infPath, hardwareId), rebootRequired);
}
