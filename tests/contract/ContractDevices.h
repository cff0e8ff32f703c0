#pragma once
// Device nodes that boundary cases create through the boundary itself, and read back. Each case owns
// hardware IDs of its own, so that cases can run side by side in one Wine prefix, and removes only
// the nodes it created.

#include <string>
#include <vector>

#include "platform/DeviceServices.h"

extern const GUID kContractClassGuid; // contract_class.inf's own class
extern const GUID kModemClassGuid;
// USB\VID_1234&PID_5678&MI_0n: listed by contract_class.inf for n = 0..9.
std::string ContractHardwareId(int n);
// Strings, each ended by a zero byte, and a final zero byte.
std::string MultiString(const std::vector<std::string> &strings);
SP_DEVINFO_DATA EmptyRecord();

// Destroys the set it holds when it goes.
struct ScopedSet {
  DeviceServices &services;
  HDEVINFO set;
  ~ScopedSet() {
    if (set && set != INVALID_HANDLE_VALUE)
      services.SetupDiDestroyDeviceInfoList(set);
  }
};

// A string property of a set's element (of a multi-string, the first string); empty when unreadable.
std::string Property(DeviceServices &services, HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property);
// That property of each device a fresh present-device enumeration lists with this first hardware ID.
std::vector<std::string> Present(DeviceServices &services, const std::string &hardwareId,
                                 DWORD property = SPDRP_HARDWAREID);

// A root node created in a set of its own with DICD_GENERATE_ID (ROOT\<name>\NNNN), given the hardware
// IDs (none: no property written) and registered unless told not to. When it goes, it removes the node
// (a failure there means the case removed it already) and destroys its set.
class PlantedNode {
public:
  PlantedNode(DeviceServices &services, const std::string &name, const GUID &classGuid,
              const std::vector<std::string> &hardwareIds, bool registerNode = true);
  ~PlantedNode();
  const std::string &Failure() const { return m_failure; } // the step that failed and its code; empty: planted
  HDEVINFO Set() const { return m_set.set; }
  SP_DEVINFO_DATA &Device() { return m_device; }

private:
  ScopedSet m_set;
  SP_DEVINFO_DATA m_device = EmptyRecord();
  std::string m_failure;
};
