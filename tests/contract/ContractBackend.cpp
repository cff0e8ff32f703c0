#include "ContractBackend.h"

#ifdef _WIN32
#include "platform/win32/Win32DeviceServices.h"
#endif

namespace {
#ifdef _WIN32
// Wine's ntdll exports its version; Windows' does not.
bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#endif
} // namespace

void ContractTest::SetUp() {
  switch (GetParam()) {
  case BackendKind::Real: {
#ifdef _WIN32
    m_hTreeLock = ::CreateMutexA(nullptr, FALSE, "QuarvelContractDeviceTree");
    ASSERT_NE(m_hTreeLock, nullptr);
    // An abandoned lock (a case that crashed) is ours all the same.
    DWORD wait = ::WaitForSingleObject(m_hTreeLock, 120000);
    ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << "device tree lock: " << wait;
    m_pServices = &Win32DeviceServicesInstance();
    m_bWineLike = RunningUnderWine();
#endif
    break;
  }
  case BackendKind::SimWindows:
  case BackendKind::SimWine:
    m_pSim = std::make_unique<SimDeviceTree>(GetParam() == BackendKind::SimWine ? SimMode::Wine : SimMode::Windows);
    m_pServices = m_pSim.get();
    m_bWineLike = GetParam() == BackendKind::SimWine;
    break;
  }
  ASSERT_NE(m_pServices, nullptr);
}

void ContractTest::TearDown() {
#ifdef _WIN32
  if (m_hTreeLock) {
    ::ReleaseMutex(m_hTreeLock);
    ::CloseHandle(m_hTreeLock);
    m_hTreeLock = nullptr;
  }
#endif
}

std::string ContractTest::InstanceId(HDEVINFO set, SP_DEVINFO_DATA &device) {
  char id[512] = {};
  BOOL ok = FALSE;
#ifdef _WIN32
  if (IsReal())
    ok = ::SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr);
#endif
  if (m_pSim)
    ok = m_pSim->SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr);
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
  switch (info.param) {
  case BackendKind::Real:
    return "Real";
  case BackendKind::SimWindows:
    return "SimWindows";
  case BackendKind::SimWine:
    return "SimWine";
  }
  return "Unknown";
}
