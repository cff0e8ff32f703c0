#pragma once
// A simulated device tree that behaves like Windows (or, in Wine mode, like Wine 8.0 as measured),
// last-error codes included, with fault injection. Files (INFs, the FileExists check) are the real
// file system's; devices, sets and driver installs live in memory.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceServices.h"

// Codes and properties the simulation reports that the portable type header does not carry.
#ifndef _WIN32
#ifndef SPDRP_DRIVER
#define SPDRP_DRIVER 0x00000009
#endif
#ifndef ERROR_INVALID_USER_BUFFER
#define ERROR_INVALID_USER_BUFFER 1784L
#endif
#ifndef ERROR_CLASS_MISMATCH
#define ERROR_CLASS_MISMATCH 0xE0000201L
#endif
#ifndef ERROR_INVALID_REG_PROPERTY
#define ERROR_INVALID_REG_PROPERTY 0xE0000209L
#endif
#ifndef ERROR_DI_DO_DEFAULT
#define ERROR_DI_DO_DEFAULT 0xE000020EL
#endif
#ifndef ERROR_DEVINFO_NOT_REGISTERED
#define ERROR_DEVINFO_NOT_REGISTERED 0xE0000208L
#endif
#endif

// How the modes differ is gathered in one table, SimModeRules (SimTreeState.h).
enum class SimMode {
  Windows, // as documented: successful calls set the last-error code to 0, the driver update checks its work
  Wine,    // as Wine 8.0 behaves, measured
};

struct SimDevice {
  std::string instanceId;                              // e.g. USB\VID_05C6&PID_9018&MI_02\1 or ROOT\MODEM\0000
  std::optional<std::vector<std::string>> hardwareIds; // absent: the property read fails with 13
  std::optional<std::string> rawHardwareIds;           // set: the bytes that property read gives instead
  std::string className;
  GUID classGuid{};
  bool present = true;     // present in the hardware profile (root nodes: once registered)
  bool registered = true;  // root nodes become registered by DIF_REGISTERDEVICE
  bool createdByRoot = false;
  std::string installedInf; // full INF path of the last driver update that reached this device
  bool installedForced = false;
  // What a driver install leaves, only where the INF has a model for one of the device's IDs:
  std::string deviceDesc; // SPDRP_DEVICEDESC: the model line's description
  std::string driverKey;  // SPDRP_DRIVER: "{class GUID}\NNNN"
};

class SimDeviceTree : public DeviceServices {
public:
  explicit SimDeviceTree(SimMode mode = SimMode::Windows);
  ~SimDeviceTree() override;

  SimMode Mode() const { return m_mode; }

  // ---- Arranging the tree ----
  // A present device in enumeration order; returns its instance ID.
  std::string AddPresentDevice(const std::vector<std::string> &hardwareIds, const std::string &className = "USB");
  // A present device without a hardware-ID property.
  std::string AddPresentDeviceWithoutIds(const std::string &className = "USB");
  // A registered device that is not present (Windows hides it from DIGCF_PRESENT; Wine lists it).
  std::string AddAbsentDevice(const std::vector<std::string> &hardwareIds, const std::string &className = "USB");
  // A damaged hardware-ID value: its property read gives these bytes as they are, terminating zeros or not.
  void SetRawHardwareIds(const std::string &instanceId, const std::string &bytes);
  // The driver a device already has: a plain update with the same INF is not better (259).
  void SetInstalledInf(const std::string &instanceId, const std::string &infPath);
  // The device's driver is in use (a query-remove would be vetoed): successful driver updates report
  // that a restart is needed. UpdateDriverForPlugAndPlayDevices (newdev.h), Remarks: a device that
  // fails the query-remove gets DI_NEEDREBOOT, and with bRebootRequired given "it is then the caller's
  // responsibility to prompt for a restart".
  void SetRebootRequired(bool required) { m_bRebootRequired = required; }

  // Causes Wine cannot produce (in Wine mode they change nothing):
  // Not elevated: registering a node (DIF_REGISTERDEVICE) and updating a driver fail with
  // ERROR_ACCESS_DENIED. SetupDiCallClassInstaller (setupapi.h): "For certain DIF requests, the caller
  // must be a member of the Administrators group"; Driver Package Compatibility for Windows Vista
  // (Microsoft, 2006) lists 80070005 ERROR_ACCESS_DENIED among driver-install failures.
  void SetElevated(bool elevated) { m_bElevated = elevated; }
  // An untrusted package: Windows will not take it into its driver store, and the update fails with
  // ERROR_DRIVER_STORE_ADD_FAILED (0xE0000247, setupapi.h), the code SetupCopyOEMInf gives then.
  void SetPackageTrusted(bool trusted) { m_bPackageTrusted = trusted; }
  // Another device installation is running: the update fails with ERROR_DEVICE_INSTALLER_NOT_READY
  // (0xE0000246, setupapi.h; listed in Driver Package Compatibility for Windows Vista).
  void SetOtherInstallRunning(bool running) { m_bOtherInstallRunning = running; }
  // Path that GetModuleFileNameA reports (C:\Quarvel\Quarvel.exe until set); an empty path makes it
  // fail with the given code.
  void SetModuleFileName(const std::string &path, DWORD failureCode = ERROR_FILE_NOT_FOUND);

  // ---- Fault injection ----
  // Makes the nth call (1-based, counted from now) of the operation named by its platform name
  // (e.g. "SetupDiCallClassInstaller") fail with code; every=true fails it from the nth call on.
  void FailCall(const std::string &operation, int nth, DWORD code, bool every = false);
  void ClearFaults();

  // ---- Reading the tree back ----
  std::vector<SimDevice> Devices() const; // every registered node, in enumeration order
  const SimDevice *FindDevice(const std::string &instanceId) const;
  std::vector<std::string> RemovedInstanceIds() const { return m_removed; }
  // Operation names in call order; GetLastError and SetLastError are thread state and not logged.
  std::vector<std::string> CallLog() const { return m_calls; }
  int CallCount(const std::string &operation) const;
  int OpenSetCount() const;      // sets created and not yet destroyed
  int SetsCreated() const { return m_nSetsCreated; }
  int DoubleDestroyCount() const { return m_nDoubleDestroys; } // destroy of an already destroyed set
  // The platform call of that name, which the logic does not need: tests use it to learn which node a
  // record names. Logged and fault-injectable like the boundary's operations.
  BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO set, PSP_DEVINFO_DATA device, PSTR instanceId, DWORD size,
                                   DWORD *requiredSize);

  // ---- DeviceServices ----
  HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags) override;
  HDEVINFO SetupDiCreateDeviceInfoList(const GUID *classGuid, HWND parent) override;
  BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device) override;
  BOOL SetupDiCreateDeviceInfoA(HDEVINFO set, PCSTR deviceName, const GUID *classGuid, PCSTR description, HWND parent,
                                DWORD flags, PSP_DEVINFO_DATA device) override;
  BOOL SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device) override;
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
  BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                         DWORD *propertyRegDataType, BYTE *buffer, DWORD bufferSize,
                                         DWORD *requiredSize) override;
  BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, const BYTE *buffer,
                                         DWORD bufferSize) override;
  BOOL SetupDiGetINFClassA(PCSTR infName, GUID *classGuid, PSTR className, DWORD classNameSize,
                           DWORD *requiredSize) override;
  BOOL SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, PSP_DEVINFO_DATA device) override;
  BOOL UpdateDriverForPlugAndPlayDevicesA(HWND parent, PCSTR hardwareId, PCSTR fullInfPath, DWORD installFlags,
                                          BOOL *rebootRequired) override;
  DWORD GetLastError() override { return m_dwLastError; }
  void SetLastError(DWORD code) override { m_dwLastError = code; }
  bool FileExists(PCSTR path) override;
  DWORD GetModuleFileNameA(HMODULE module, PSTR fileName, DWORD size) override;

  SimDeviceTree(const SimDeviceTree &) = delete;
  SimDeviceTree &operator=(const SimDeviceTree &) = delete;

private:
  // Implementation state is the implementer's; these are the ones the inline accessors above read.
  SimMode m_mode;
  DWORD m_dwLastError = 0;
  bool m_bRebootRequired = false;
  bool m_bElevated = true;
  bool m_bPackageTrusted = true;
  bool m_bOtherInstallRunning = false;
  std::vector<std::string> m_removed;
  std::vector<std::string> m_calls;
  int m_nSetsCreated = 0;
  int m_nDoubleDestroys = 0;
  struct Node;
  struct Impl;
  Impl *m_pImpl;

  // Counts and logs a call; false (with the injected code set) when a fault makes it fail.
  bool Enter(const char *operation);
  BOOL Succeed();
  BOOL Fail(DWORD code);
  HDEVINFO FailHandle(DWORD code);
  HDEVINFO NewSet(bool hasClass, const GUID &classGuid, std::vector<DWORD> members);
  // The live node that a record names in an open set; nullptr with the code set otherwise.
  Node *Element(HDEVINFO set, const SP_DEVINFO_DATA *device);
  Node *EnterElement(const char *operation, HDEVINFO set, const SP_DEVINFO_DATA *device) {
    return Enter(operation) ? Element(set, device) : nullptr;
  }
  void RemoveNode(Node &node);
};
