#include "ContractBackend.h"

#include <algorithm>

#ifdef _WIN32
#include "platform/win32/Win32DeviceServices.h"
const std::vector<SimMode> kBackends = {SimMode::Windows}; // stands for the real services
#else
const std::vector<SimMode> kBackends = {SimMode::Windows, SimMode::Wine};
#endif
INSTANTIATE_TEST_SUITE_P(Backends, ContractTest, ::testing::ValuesIn(kBackends), [](const auto &info) {
  return std::string(kBackends.size() == 1 ? "Real" : info.param == SimMode::Wine ? "SimWine" : "SimWindows");
});

void ContractTest::SetUp() {
#ifdef _WIN32
  m_hTreeLock = ::CreateMutexA(nullptr, FALSE, "QuarvelContractDeviceTree");
  // An abandoned lock (a case that crashed) is ours all the same.
  const DWORD wait = m_hTreeLock ? ::WaitForSingleObject(m_hTreeLock, 120000) : WAIT_FAILED;
  ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << "device tree lock: " << wait;
  m_pServices = &Win32DeviceServicesInstance();
  // Wine's ntdll exports its version; Windows' does not.
  m_bWineLike = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  m_pSim = std::make_unique<SimDeviceTree>(GetParam());
  m_pServices = m_pSim.get();
  m_bWineLike = GetParam() == SimMode::Wine;
#endif
}

void ContractTest::TearDown() {
#ifdef _WIN32
  if (m_hTreeLock) {
    ::ReleaseMutex(m_hTreeLock);
    ::CloseHandle(m_hTreeLock);
  }
#endif
}

std::string ContractTest::InstanceId(HDEVINFO set, SP_DEVINFO_DATA &device) {
  char id[512] = {};
#ifdef _WIN32
  return ::SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr) ? id : "";
#else
  return m_pSim->SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr) ? id : "";
#endif
}

std::string ContractTest::DataPath(const std::string &name) {
  std::string path = std::string(QUARVEL_TEST_DATA) + "/contract/" + name;
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

const GUID kContractClassGuid = {0xD5C0A4E2, 0x7B31, 0x4F6E, {0x9C, 0x2A, 0x51, 0xE0, 0xB7, 0xA3, 0xC9, 0x14}};
const GUID kModemClassGuid = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::string ContractHardwareId(int n) { return "USB\\VID_1234&PID_5678&MI_0" + std::to_string(n); }

std::string MultiString(const std::vector<std::string> &strings) {
  std::string bytes;
  for (const std::string &s : strings)
    bytes += s + '\0';
  return bytes + '\0';
}

std::string Property(DeviceServices &services, HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property) {
  char value[2048] = {};
  BYTE *buffer = reinterpret_cast<BYTE *>(value);
  return services.SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, buffer, sizeof value - 1, nullptr)
             ? value
             : "";
}

std::vector<std::string> Present(DeviceServices &services, const std::string &hardwareId, DWORD property) {
  std::vector<std::string> values;
  ScopedSet set{services, services.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES)};
  SP_DEVINFO_DATA device = kEmptyRecord;
  for (DWORD i = 0; services.SetupDiEnumDeviceInfo(set.set, i, &device); ++i)
    if (Property(services, set.set, device, SPDRP_HARDWAREID) == hardwareId)
      values.push_back(Property(services, set.set, device, property));
  return values;
}

PlantedNode::PlantedNode(DeviceServices &services, const char *name, const GUID &classGuid,
                         const std::vector<std::string> &hardwareIds, bool registerNode)
    : m_set{services, services.SetupDiCreateDeviceInfoList(&classGuid, nullptr)} {
  const std::string ids = MultiString(hardwareIds);
  const BYTE *bytes = reinterpret_cast<const BYTE *>(ids.data());
  m_bOk = m_set.set != INVALID_HANDLE_VALUE &&
          services.SetupDiCreateDeviceInfoA(m_set.set, name, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &m_device) &&
          (hardwareIds.empty() || services.SetupDiSetDeviceRegistryPropertyA(m_set.set, &m_device, SPDRP_HARDWAREID,
                                                                             bytes, DWORD(ids.size()))) &&
          (!registerNode || services.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, m_set.set, &m_device));
}

PlantedNode::~PlantedNode() {
  if (m_device.DevInst || m_device.Reserved)
    m_set.services.SetupDiCallClassInstaller(DIF_REMOVE, m_set.set, &m_device);
}
