// Driver updates for Plug and Play devices, proved by their effect on the device: the same cases
// against every backend. Wine's update is documented to differ from Windows': it always reports
// success with code 0, ignores its flags and compares hardware IDs with letter case. Those cases
// say so and expect Wine's behaviour from the Wine-like backends.

#include <memory>

#include "ContractBackend.h"
#include "ContractDevices.h"

namespace {

const char kContractDescription[] = "Quarvel Contract Device";

class DriverUpdateContract : public ContractTest {
protected:
  std::string ContractInf() { return DataPath("contract/contract_class.inf"); }
  std::optional<std::string> Description(const std::string &id) {
    return PresentDeviceProperty(Services(), id, SPDRP_DEVICEDESC);
  }
  BOOL Update(const std::string &id, const std::string &inf, DWORD flags, BOOL *reboot = nullptr) {
    Services().SetLastError(0xDEADBEEF);
    return Services().UpdateDriverForPlugAndPlayDevicesA(nullptr, id.c_str(), inf.c_str(), flags, reboot);
  }
};
QUARVEL_CONTRACT_SUITE(DriverUpdateContract);

TEST_P(DriverUpdateContract, AForcedUpdateInstallsOnTheDeviceCarryingTheId) {
  const std::string id = ContractHardwareId(3);
  PlantedNode node(Services(), "QCT_FORCED", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  EXPECT_FALSE(PresentDeviceProperty(Services(), id, SPDRP_DRIVER)) << "a driver before the install";

  BOOL reboot = TRUE;
  ASSERT_TRUE(Update(id, ContractInf(), INSTALLFLAG_FORCE, &reboot)) << Services().GetLastError();
  EXPECT_EQ(Services().GetLastError(), 0u);
  EXPECT_FALSE(reboot);
  EXPECT_EQ(Description(id), std::optional<std::string>(kContractDescription));
  EXPECT_EQ(PresentDeviceProperty(Services(), id, SPDRP_CLASS), std::optional<std::string>("QuarvelContract"));
  std::optional<std::string> driver = PresentDeviceProperty(Services(), id, SPDRP_DRIVER);
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->rfind("{D5C0A4E2-7B31-4F6E-9C2A-51E0B7A3C914}\\", 0), 0u) << *driver;
}

TEST_P(DriverUpdateContract, AForcedUpdateInstallsTheModemClass) {
  const std::string id = ModemHardwareId(0);
  PlantedNode node(Services(), "QCT_MODEM", kModemClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  ASSERT_TRUE(Update(id, DataPath("contract/contract_modem.inf"), INSTALLFLAG_FORCE)) << Services().GetLastError();
  EXPECT_EQ(Description(id), std::optional<std::string>("Quarvel Contract Modem"));
  EXPECT_EQ(PresentDeviceProperty(Services(), id, SPDRP_CLASS), std::optional<std::string>("Modem"));
}

// Windows: a plain update with the driver the device already has is "not better" (259).
// Wine ignores the flags and installs again.
TEST_P(DriverUpdateContract, APlainUpdateInstallsOnceAndThenIsNotBetterOnWindows) {
  const std::string id = ContractHardwareId(4);
  PlantedNode node(Services(), "QCT_PLAIN", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();

  ASSERT_TRUE(Update(id, ContractInf(), 0)) << Services().GetLastError();
  EXPECT_EQ(Description(id), std::optional<std::string>(kContractDescription));

  BOOL again = Update(id, ContractInf(), 0);
  if (WineLike()) {
    EXPECT_TRUE(again);
    EXPECT_EQ(Services().GetLastError(), 0u);
  } else {
    EXPECT_FALSE(again);
    EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  }
  EXPECT_EQ(Description(id), std::optional<std::string>(kContractDescription));
}

// Windows: no device carries the ID, ERROR_NO_SUCH_DEVINST. Wine: success with code 0, nothing installed.
TEST_P(DriverUpdateContract, AnUpdateWithoutADeviceCarryingTheIdFailsOnWindowsOnly) {
  const std::string id = ContractHardwareId(8); // planted by no case
  for (DWORD flags : {DWORD(0), DWORD(INSTALLFLAG_FORCE)}) {
    BOOL ok = Update(id, ContractInf(), flags);
    if (WineLike()) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(Services().GetLastError(), 0u);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
    }
  }
  EXPECT_EQ(CountPresent(Services(), id), 0);
}

// Windows: a missing INF fails with ERROR_FILE_NOT_FOUND. Wine: success with code 0, nothing installed.
TEST_P(DriverUpdateContract, AnUpdateFromAMissingInfFailsOnWindowsOnly) {
  const std::string id = ContractHardwareId(9);
  PlantedNode node(Services(), "QCT_NOINF", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  BOOL ok = Update(id, DataPath("contract/no_such_file.inf"), INSTALLFLAG_FORCE);
  if (WineLike()) {
    EXPECT_TRUE(ok);
    EXPECT_EQ(Services().GetLastError(), 0u);
  } else {
    EXPECT_FALSE(ok);
    EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  EXPECT_FALSE(PresentDeviceProperty(Services(), id, SPDRP_DRIVER));
}

// Windows upgrades no device when the INF has no model for any of its IDs (FALSE, and the code of a
// driver that is not better, 259), and takes no ID longer than a device ID may be (87). A known Wine
// difference: Wine reports success with code 0 and installs nothing.
TEST_P(DriverUpdateContract, AnUpdateThatCanInstallNothingFailsOnWindowsOnly) {
  const struct {
    const char *what;
    std::string id;
    bool planted;
    DWORD windowsCode;
  } cases[] = {
      {"an INF without a model for the device", ContractHardwareId(10), true, ERROR_NO_MORE_ITEMS},
      {"an ID longer than a device ID", "USB\\VID_1234&PID_5678\\" + std::string(200, 'L'), false,
       ERROR_INVALID_PARAMETER},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<PlantedNode> node;
    if (c.planted) {
      node = std::make_unique<PlantedNode>(Services(), "QCT_NOMODEL", kContractClassGuid, std::vector<std::string>{c.id});
      ASSERT_TRUE(node->Ok()) << node->Failure();
    }
    const BOOL ok = Update(c.id, ContractInf(), INSTALLFLAG_FORCE);
    if (WineLike()) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(Services().GetLastError(), 0u);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(Services().GetLastError(), c.windowsCode);
    }
    if (c.planted) {
      EXPECT_FALSE(PresentDeviceProperty(Services(), c.id, SPDRP_DRIVER));
      EXPECT_FALSE(Description(c.id));
    }
  }
}

// Windows compares hardware IDs without letter case; Wine compares them exactly and installs nothing.
TEST_P(DriverUpdateContract, AnIdInOtherLetterCaseMatchesOnWindowsOnly) {
  const std::string id = ContractHardwareId(5);
  PlantedNode node(Services(), "QCT_CASE", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  std::string lower = "usb\\vid_1234&pid_5678&mi_05";
  ASSERT_TRUE(Update(lower, ContractInf(), INSTALLFLAG_FORCE)) << Services().GetLastError();
  EXPECT_EQ(Services().GetLastError(), 0u);
  if (WineLike())
    EXPECT_FALSE(PresentDeviceProperty(Services(), id, SPDRP_DRIVER));
  else
    EXPECT_EQ(Description(id), std::optional<std::string>(kContractDescription));
}

} // namespace
