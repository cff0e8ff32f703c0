#pragma once
// The backend a boundary case runs against: natively the simulated tree in each of its two modes,
// cross-built the real device services. Cases read WineLike() only where Windows and Wine are known
// to differ; everywhere else both backends must behave the same.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceServices.h"
#include "platform/sim/SimDeviceTree.h"

enum class BackendKind { Real, SimWindows, SimWine };

class ContractTest : public ::testing::TestWithParam<BackendKind> {
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
  // A file under the test data folder, in the form the backend's file calls take.
  static std::string DataPath(const std::string &relative);

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

std::vector<BackendKind> ContractBackends();
std::string BackendName(const ::testing::TestParamInfo<BackendKind> &info);

#define QUARVEL_CONTRACT_SUITE(fixture)                                                                                \
  INSTANTIATE_TEST_SUITE_P(Backends, fixture, ::testing::ValuesIn(ContractBackends()), BackendName)
