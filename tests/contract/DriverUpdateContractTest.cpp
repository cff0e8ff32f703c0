// Forced driver updates for Plug and Play devices, proved by their effect on the device. Wine's update is
// documented to differ from Windows': it always reports success with code 0 and compares hardware IDs
// with letter case. Each row says whether Wine installs what Windows does.

#include "ContractBackend.h"

TEST_P(ContractTest, AnUpdateInstallsOnTheDeviceCarryingTheIdOrFailsOnWindows) {
  const std::string modemId = "USB\\VID_1234&PID_5679&MI_00", tooLong = "USB\\" + std::string(220, 'L');
  const char *device = "Quarvel Contract Device", *classInf = "contract_class.inf";
  std::string (*id)(int) = ContractHardwareId;
  // planted: the device's only hardware ID; code: Windows' (0: success); description: the model's the
  // device has after the call ("": no driver); wineInstalls: else Wine reports success and installs nothing.
  const struct { const char *what; std::string planted, updated; const char *inf;
    DWORD code; const char *description; bool wineInstalls; } cases[] = {
      {.what = "the device's class", .planted = id(3), .updated = id(3), .inf = classInf,
       .code = 0, .description = device, .wineInstalls = true},
      {.what = "modem class", .planted = modemId, .updated = modemId, .inf = "contract_modem.inf",
       .code = 0, .description = "Quarvel Contract Modem", .wineInstalls = true},
      {.what = "no device carries the ID", .planted = id(2), .updated = id(8), .inf = classInf,
       .code = ERROR_NO_SUCH_DEVINST, .description = "", .wineInstalls = false},
      {.what = "a missing INF", .planted = id(9), .updated = id(9), .inf = "absent.inf",
       .code = ERROR_FILE_NOT_FOUND, .description = "", .wineInstalls = false},
      {.what = "no model for the device", .planted = id(10), .updated = id(10), .inf = classInf,
       .code = ERROR_NO_MORE_ITEMS, .description = "", .wineInstalls = false},
      {.what = "an ID longer than a device ID", .planted = id(2), .updated = tooLong, .inf = classInf,
       .code = ERROR_INVALID_PARAMETER, .description = "", .wineInstalls = false},
      {.what = "the ID in other letter case", .planted = id(5), .updated = "usb\\vid_1234&pid_5678&mi_05",
       .inf = classInf, .code = 0, .description = device, .wineInstalls = false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string inf = DataPath(c.inf);
    PlantedNode node(Services(), "QCT_UPDATE", c.planted == modemId ? kModemClassGuid : kContractClassGuid, {c.planted});
    ASSERT_TRUE(node.ok) << Services().GetLastError();
    const DWORD code = WineLike() ? 0 : c.code;
    const std::string description = WineLike() && !c.wineInstalls ? "" : c.description;
    BOOL reboot = TRUE;
    Services().SetLastError(0xDEADBEEF);
    const BOOL ok = Services().UpdateDriverForPlugAndPlayDevicesA(nullptr, c.updated.c_str(), inf.c_str(),
                                                                  INSTALLFLAG_FORCE, &reboot);
    EXPECT_EQ(ok, code == 0);
    EXPECT_EQ(Services().GetLastError(), code);
    if (ok) {
      EXPECT_EQ(reboot, FALSE) << "a restart asked for";
    }
    EXPECT_EQ(Present(Services(), c.planted, SPDRP_DEVICEDESC), std::vector<std::string>{description});
    if (Sim() && !description.empty()) { // the unit tests read installs back this way
      EXPECT_EQ(Sim()->Devices().back().installedInf, inf);
      EXPECT_TRUE(Sim()->Devices().back().installedForced);
    }
  }
}

// Causes Wine cannot produce, so Windows-mode only: each arranged as a state of the simulated tree, where
// registering a node and updating its driver go as Windows documents (the notes in SimDeviceTree.h).
TEST_P(ContractTest, RefusedAndRestartingInstallsAsWindowsDocumentsThem) {
  if (!Sim() || WineLike())
    GTEST_SKIP() << "Windows-mode only: Wine cannot produce these";
  const struct { const char *state; void (SimDeviceTree::*arrange)(bool); bool value; DWORD registered, updated; }
      cases[] = {
          {.state = "not elevated", .arrange = &SimDeviceTree::SetElevated, .value = false,
           .registered = ERROR_ACCESS_DENIED, .updated = ERROR_ACCESS_DENIED},
          {.state = "an untrusted package", .arrange = &SimDeviceTree::SetPackageTrusted, .value = false,
           .registered = 0, .updated = ERROR_DRIVER_STORE_ADD_FAILED},
          {.state = "another installation running", .arrange = &SimDeviceTree::SetOtherInstallRunning, .value = true,
           .registered = 0, .updated = ERROR_DEVICE_INSTALLER_NOT_READY},
          {.state = "a restart needed", .arrange = &SimDeviceTree::SetRebootRequired, .value = true,
           .registered = 0, .updated = 0},
      };
  const std::string id = ContractHardwareId(4), inf = DataPath("contract_class.inf");
  for (const auto &c : cases) {
    SimDeviceTree tree(SimMode::Windows);
    (tree.*c.arrange)(c.value);
    PlantedNode node(tree, "QCT_STATE", kContractClassGuid, {id});
    EXPECT_EQ(node.ok ? 0 : tree.GetLastError(), c.registered) << c.state;
    BOOL reboot = FALSE;
    const BOOL ok =
        tree.UpdateDriverForPlugAndPlayDevicesA(nullptr, id.c_str(), inf.c_str(), INSTALLFLAG_FORCE, &reboot);
    EXPECT_EQ(ok ? 0 : tree.GetLastError(), c.updated) << c.state;
    EXPECT_EQ(reboot != FALSE, c.arrange == &SimDeviceTree::SetRebootRequired) << c.state;
  }
}
