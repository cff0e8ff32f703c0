#pragma once
// What a boundary case runs against, natively the simulated tree in each of its two modes, cross-built
// the real device services; and the device nodes a case creates through the boundary itself and reads
// back. Each case owns hardware IDs of its own and removes only the nodes it created.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DeviceServices.h"
#include "platform/sim/SimDeviceTree.h"
#ifdef _WIN32
#include "platform/win32/Win32DeviceServices.h"
#endif

// Runs each case against every backend. Cases read WineLike() only where Windows and Wine are known to
// differ; everywhere else all backends must behave the same.
class ContractTest : public ::testing::TestWithParam<const char *> { // the backend's name
protected:
  void SetUp() override {
#ifdef _WIN32
    m_pServices = &Win32DeviceServicesInstance();
    // Wine's ntdll exports its version; Windows' does not.
    m_bWineLike = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
    m_bWineLike = std::string(GetParam()) == "SimWine";
    m_pSim = std::make_unique<SimDeviceTree>(m_bWineLike ? SimMode::Wine : SimMode::Windows);
    m_pServices = m_pSim.get();
#endif
  }
  DeviceServices &Services() { return *m_pServices; }
  // Wine's behaviour is expected: the simulation in Wine mode, or the real services running under Wine.
  bool WineLike() const { return m_bWineLike; }
  // The simulation, whose read-back the unit tests trust; nullptr on the real services.
  SimDeviceTree *Sim() { return m_pSim.get(); }
  // A file under the test data's contract folder, with the separator the system uses: Wine's driver update
  // takes a path's file name after its last backslash, and fails hard on a path without one.
  static std::string DataPath(const std::string &name) {
    return (std::filesystem::path(QUARVEL_TEST_DATA) / "contract" / name).make_preferred().string();
  }

  // The fixture's own.
  std::unique_ptr<SimDeviceTree> m_pSim;
  DeviceServices *m_pServices = nullptr;
  bool m_bWineLike = false;
};

// contract_class.inf's own class; the INF lists USB\VID_1234&PID_5678&MI_0n for n = 0..9.
inline const GUID kContractClassGuid = {0xD5C0A4E2, 0x7B31, 0x4F6E, {0x9C, 0x2A, 0x51, 0xE0, 0xB7, 0xA3, 0xC9, 0x14}};
inline const GUID kModemClassGuid = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline const DWORD kPresentAll = DIGCF_PRESENT | DIGCF_ALLCLASSES;
inline const SP_DEVINFO_DATA kEmptyRecord{sizeof(SP_DEVINFO_DATA), {}, 0, 0};
inline std::string ContractHardwareId(int n) { return "USB\\VID_1234&PID_5678&MI_0" + std::to_string(n); }

// Strings, each ended by a zero byte, and a final zero byte.
inline std::string MultiString(const std::vector<std::string> &strings) {
  std::string bytes;
  for (const std::string &s : strings)
    bytes += s + '\0';
  return bytes + '\0';
}

// A string property of a set's element (of a multi-string, the first string); empty when unreadable.
inline std::string Property(DeviceServices &services, HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property) {
  char value[2048] = {};
  return services.SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE *>(value),
                                                    sizeof value - 1, nullptr) ? value : "";
}

// Destroys the set it holds when it goes.
struct ScopedSet {
  DeviceServices &services;
  HDEVINFO handle;
  ~ScopedSet() { services.SetupDiDestroyDeviceInfoList(handle); } // an invalid handle only fails
};

// That property of each device a fresh present-device enumeration lists with this first hardware ID.
inline std::vector<std::string> Present(DeviceServices &services, const std::string &id,
                                        DWORD property = SPDRP_HARDWAREID) {
  std::vector<std::string> values;
  ScopedSet set{services, services.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll)};
  SP_DEVINFO_DATA device = kEmptyRecord;
  for (DWORD i = 0; services.SetupDiEnumDeviceInfo(set.handle, i, &device); ++i)
    if (Property(services, set.handle, device, SPDRP_HARDWAREID) == id)
      values.push_back(Property(services, set.handle, device, property));
  return values;
}

// A root node created in a set of its own with DICD_GENERATE_ID (ROOT\<name>\NNNN), given the hardware
// IDs (none: no property written) and registered unless told not to; ok when every step succeeded.
// When it goes, it removes the node (a failure there means the case removed it already).
struct PlantedNode {
  PlantedNode(DeviceServices &services, const char *name, const GUID &classGuid,
              const std::vector<std::string> &hardwareIds, bool registerNode = true)
      : set{services, services.SetupDiCreateDeviceInfoList(&classGuid, nullptr)} {
    const std::string ids = MultiString(hardwareIds);
    ok = set.handle != INVALID_HANDLE_VALUE &&
         services.SetupDiCreateDeviceInfoA(set.handle, name, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
         (hardwareIds.empty() || services.SetupDiSetDeviceRegistryPropertyA(set.handle, &device, SPDRP_HARDWAREID,
                                     reinterpret_cast<const BYTE *>(ids.data()), DWORD(ids.size()))) &&
         (!registerNode || services.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.handle, &device));
  }
  ~PlantedNode() {
    if (device.DevInst || device.Reserved)
      set.services.SetupDiCallClassInstaller(DIF_REMOVE, set.handle, &device);
  }
  ScopedSet set;
  SP_DEVINFO_DATA device = kEmptyRecord;
  bool ok;
};
