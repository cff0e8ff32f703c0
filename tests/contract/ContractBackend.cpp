#include "ContractBackend.h"

#ifdef _WIN32
#include "platform/win32/Win32DeviceServices.h"
#endif

void ContractTest::SetUp() {
#ifdef _WIN32
  m_hTreeLock = ::CreateMutexA(nullptr, FALSE, "QuarvelContractDeviceTree");
  ASSERT_NE(m_hTreeLock, nullptr);
  // An abandoned lock (a case that crashed) is ours all the same.
  DWORD wait = ::WaitForSingleObject(m_hTreeLock, 120000);
  ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << "device tree lock: " << wait;
  m_pServices = &Win32DeviceServicesInstance();
  // Wine's ntdll exports its version; Windows' does not.
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  m_bWineLike = ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  m_bWineLike = GetParam() == BackendKind::SimWine;
  m_pSim = std::make_unique<SimDeviceTree>(m_bWineLike ? SimMode::Wine : SimMode::Windows);
  m_pServices = m_pSim.get();
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
  BOOL ok = ::SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr);
#else
  BOOL ok = m_pSim->SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr);
#endif
  return ok ? std::string(id) : std::string();
}

std::string ContractTest::DataPath(const std::string &relative) {
  std::string path = std::string(QUARVEL_TEST_DATA) + "/" + relative;
#ifdef _WIN32
  for (char &c : path)
    if (c == '/')
      c = '\\';
#endif
  return path;
}

std::vector<BackendKind> ContractBackends() {
#ifdef _WIN32
  return {BackendKind::Real};
#else
  return {BackendKind::SimWindows, BackendKind::SimWine};
#endif
}

std::string BackendName(const ::testing::TestParamInfo<BackendKind> &info) {
  const char *names[] = {"Real", "SimWindows", "SimWine"};
  return names[static_cast<int>(info.param)];
}
