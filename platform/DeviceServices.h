#pragma once
// The one boundary between the driver logic and the device-installation services. Operations carry
// their platform names and arguments; results are the platform's: a BOOL or a handle, plus the
// thread's last-error code, which each backend keeps as the platform does.

#include "platform/PlatformTypes.h"

class DeviceServices {
public:
  virtual ~DeviceServices() = default;

  // Device information sets and their devices.
  virtual HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags) = 0;
  virtual HDEVINFO SetupDiCreateDeviceInfoList(const GUID *classGuid, HWND parent) = 0;
  virtual BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device) = 0;
  virtual BOOL SetupDiCreateDeviceInfoA(HDEVINFO set, PCSTR deviceName, const GUID *classGuid, PCSTR description,
                                        HWND parent, DWORD flags, PSP_DEVINFO_DATA device) = 0;
  virtual BOOL SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device) = 0;
  virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;

  // Properties (the logic uses SPDRP_HARDWAREID, a multi-string).
  virtual BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                                 DWORD *propertyRegDataType, BYTE *buffer, DWORD bufferSize,
                                                 DWORD *requiredSize) = 0;
  virtual BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                                 const BYTE *buffer, DWORD bufferSize) = 0;

  // INF files and installers.
  virtual BOOL SetupDiGetINFClassA(PCSTR infName, GUID *classGuid, PSTR className, DWORD classNameSize,
                                   DWORD *requiredSize) = 0;
  virtual BOOL SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, PSP_DEVINFO_DATA device) = 0;
  virtual BOOL UpdateDriverForPlugAndPlayDevicesA(HWND parent, PCSTR hardwareId, PCSTR fullInfPath, DWORD installFlags,
                                                  BOOL *rebootRequired) = 0;

  // Base services the logic needs besides.
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD code) = 0;
  // Stands in for a FindFirstFileA search for exactly this path (the search handle is closed).
  virtual bool FileExists(PCSTR path) = 0;
  // GetModuleFileNameA of the running executable: the length copied; size when truncated
  // (with ERROR_INSUFFICIENT_BUFFER); 0 on failure.
  virtual DWORD GetModuleFileNameA(HMODULE module, PSTR fileName, DWORD size) = 0;
};

// The backend that the logic talks to. On Windows it is the real services by default; elsewhere an
// empty simulated device tree. Tests install their own with ScopedPlatform.
DeviceServices &Platform();
DeviceServices *SetPlatform(DeviceServices *services); // returns the previous one; nullptr restores the default

class ScopedPlatform {
public:
  explicit ScopedPlatform(DeviceServices &services) : m_pPrevious(SetPlatform(&services)) {}
  ~ScopedPlatform() { SetPlatform(m_pPrevious); }
  ScopedPlatform(const ScopedPlatform &) = delete;
  ScopedPlatform &operator=(const ScopedPlatform &) = delete;

private:
  DeviceServices *m_pPrevious;
};
