#include "ContractBackend.h"

#include <algorithm>

#ifdef _WIN32
#include "platform/win32/Win32DeviceServices.h"
const char *const kBackends[] = {"Real"};
#else
const char *const kBackends[] = {"SimWindows", "SimWine"};
#endif
INSTANTIATE_TEST_SUITE_P(Backends, ContractTest, ::testing::ValuesIn(kBackends),
                         [](const auto &info) { return std::string(info.param); });

void ContractTest::SetUp() {
#ifdef _WIN32
  // An abandoned lock (a case that crashed) is ours all the same.
  const DWORD wait = ::WaitForSingleObject(m_hTreeLock = ::CreateMutexA(nullptr, FALSE, "QuarvelContractTree"), 120000);
  ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << "device tree lock: " << wait;
  m_pServices = &Win32DeviceServicesInstance();
  // Wine's ntdll exports its version; Windows' does not.
  m_bWineLike = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  m_bWineLike = std::string(GetParam()) == "SimWine";
  m_pSim = std::make_unique<SimDeviceTree>(m_bWineLike ? SimMode::Wine : SimMode::Windows);
  m_pServices = m_pSim.get();
#endif
}

void ContractTest::TearDown() {
#ifdef _WIN32
  ::ReleaseMutex(m_hTreeLock); // without a lock both only fail
  ::CloseHandle(m_hTreeLock);
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
