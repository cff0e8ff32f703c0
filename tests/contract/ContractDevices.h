#pragma once
// Device nodes and sets that boundary cases create through the boundary itself, and read back.
// Each case owns hardware IDs of its own, so that cases can run side by side in one Wine prefix,
// and removes only the nodes it created.

#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceServices.h"

// USB\VID_1234&PID_5678&MI_0n: listed by contract_class.inf for n = 0..9.
std::string ContractHardwareId(int n);
extern const GUID kContractClassGuid; // contract_class.inf's own class
extern const GUID kModemClassGuid;

// Strings, each ended by a zero byte, and a final zero byte.
std::string MultiString(const std::vector<std::string> &strings);
SP_DEVINFO_DATA EmptyRecord();

// Destroys a set it holds when it goes.
class ScopedSet {
public:
  ScopedSet(DeviceServices &services, HDEVINFO set) : m_services(services), m_set(set) {}
  ~ScopedSet() { Destroy(); }
  ScopedSet(const ScopedSet &) = delete;
  ScopedSet &operator=(const ScopedSet &) = delete;
  HDEVINFO Get() const { return m_set; }
  bool Valid() const { return m_set && m_set != INVALID_HANDLE_VALUE; }
  BOOL Destroy(); // now; the result of the destroy call

private:
  DeviceServices &m_services;
  HDEVINFO m_set;
};

// A root node created in a set of its own with DICD_GENERATE_ID (name ROOT\<name>\NNNN), given the
// hardware IDs (none: no property written) and registered unless told not to. When it goes, it removes
// the node (a failure there means the case already removed it) and destroys its set.
class PlantedNode {
public:
  PlantedNode(DeviceServices &services, const std::string &name, const GUID &classGuid,
              const std::vector<std::string> &hardwareIds, bool registerNode = true);
  ~PlantedNode();
  PlantedNode(const PlantedNode &) = delete;
  PlantedNode &operator=(const PlantedNode &) = delete;

  bool Ok() const { return m_failure.empty(); }
  const std::string &Failure() const { return m_failure; } // the step that failed and its code
  HDEVINFO Set() const { return m_set; }
  SP_DEVINFO_DATA &Device() { return m_device; }

private:
  DeviceServices &m_services;
  HDEVINFO m_set;
  SP_DEVINFO_DATA m_device{};
  std::string m_failure;
};

// The first hardware ID of a device (empty when unreadable).
std::string FirstHardwareId(DeviceServices &services, HDEVINFO set, SP_DEVINFO_DATA &device);
// How many devices a fresh present-device enumeration lists whose first hardware ID is hardwareId.
int CountPresent(DeviceServices &services, const std::string &hardwareId);
// A string property of the first such device; nothing when none is listed or it cannot be read.
std::optional<std::string> PresentDeviceProperty(DeviceServices &services, const std::string &hardwareId,
                                                 DWORD property);
