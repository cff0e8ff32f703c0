#pragma once
// What a boundary case runs against, natively the simulated tree in each of its two modes, cross-built
// the real device services; and the device nodes a case creates through the boundary itself and reads
// back. Each case owns hardware IDs of its own and removes only the nodes it created.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceServices.h"
#include "platform/sim/SimDeviceTree.h"

// Runs each case against every backend. Cases read WineLike() only where Windows and Wine are known to
// differ; everywhere else all backends must behave the same.
class ContractTest : public ::testing::TestWithParam<SimMode> {
protected:
  void SetUp() override;
  void TearDown() override;
  DeviceServices &Services() { return *m_pServices; }
  // Wine's behaviour is expected: the simulation in Wine mode, or the real services running under Wine.
  bool WineLike() const { return m_bWineLike; }
  // The simulation, whose read-back the unit tests trust; nullptr on the real services.
  SimDeviceTree *Sim() { return m_pSim.get(); }
  // The instance ID of the element a record names (empty when the call fails).
  std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA &device);
  // A file under the test data's contract folder, in the form the backend's file calls take.
  static std::string DataPath(const std::string &name);

private:
  std::unique_ptr<SimDeviceTree> m_pSim;
  DeviceServices *m_pServices = nullptr;
  bool m_bWineLike = false;
#ifdef _WIN32
  // Cases on the real tree run one at a time, also across processes: an enumeration walks the
  // registry by index, so a node another case adds or removes meanwhile can hide or repeat one.
  HANDLE m_hTreeLock = nullptr;
#endif
};

extern const GUID kContractClassGuid; // contract_class.inf's own class
extern const GUID kModemClassGuid;
inline const SP_DEVINFO_DATA kEmptyRecord{sizeof(SP_DEVINFO_DATA), {}, 0, 0};
// USB\VID_1234&PID_5678&MI_0n: listed by contract_class.inf for n = 0..9.
std::string ContractHardwareId(int n);
// Strings, each ended by a zero byte, and a final zero byte.
std::string MultiString(const std::vector<std::string> &strings);
// A string property of a set's element (of a multi-string, the first string); empty when unreadable.
std::string Property(DeviceServices &services, HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property);
// That property of each device a fresh present-device enumeration lists with this first hardware ID.
std::vector<std::string> Present(DeviceServices &services, const std::string &hardwareId,
                                 DWORD property = SPDRP_HARDWAREID);

// Destroys the set it holds when it goes.
struct ScopedSet {
  DeviceServices &services;
  HDEVINFO set;
  ~ScopedSet() {
    if (set != INVALID_HANDLE_VALUE)
      services.SetupDiDestroyDeviceInfoList(set);
  }
};

// A root node created in a set of its own with DICD_GENERATE_ID (ROOT\<name>\NNNN), given the hardware
// IDs (none: no property written) and registered unless told not to. When it goes, it removes the node
// (a failure there means the case removed it already) and destroys its set.
class PlantedNode {
public:
  PlantedNode(DeviceServices &services, const char *name, const GUID &classGuid,
              const std::vector<std::string> &hardwareIds, bool registerNode = true);
  ~PlantedNode();
  bool Ok() const { return m_bOk; }
  HDEVINFO Set() const { return m_set.set; }
  SP_DEVINFO_DATA &Device() { return m_device; }

private:
  ScopedSet m_set;
  SP_DEVINFO_DATA m_device = kEmptyRecord;
  bool m_bOk;
};
