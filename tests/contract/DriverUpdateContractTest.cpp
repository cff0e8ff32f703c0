// Driver updates for Plug and Play devices, proved by their effect on the device. Wine's update is
// documented to differ from Windows': it always reports success with code 0, ignores its flags and
// compares hardware IDs with letter case. Each row says what each side does.

#include <memory>

#include "ContractBackend.h"
#include "ContractDevices.h"

namespace {

class DriverUpdateContract : public ContractTest {};
QUARVEL_CONTRACT_SUITE(DriverUpdateContract);

const char kDevice[] = "Quarvel Contract Device";
const char kModem[] = "Quarvel Contract Modem";
struct Result {
  BOOL ok;
  DWORD code;
  const char *description; // the model's description the device gets; nullptr: nothing installed
};
const Result kWineInstallsNothing{TRUE, 0, nullptr};

TEST_P(DriverUpdateContract, InstallsOnTheDeviceCarryingTheIdOrFailsOnWindows) {
  const std::string modemId = "USB\\VID_1234&PID_5679&MI_00";
  const struct {
    const char *what;
    std::string planted, updated; // planted: the device's only hardware ID (empty: no device)
    const char *inf;
    DWORD flags;
    bool updatedBefore; // a plain update installed this INF already
    Result windows, wine;
  } cases[] = {
      {"forced", ContractHardwareId(3), ContractHardwareId(3), "contract_class.inf", INSTALLFLAG_FORCE, false,
       {TRUE, 0, kDevice}, {TRUE, 0, kDevice}},
      {"forced, modem class", modemId, modemId, "contract_modem.inf", INSTALLFLAG_FORCE, false, {TRUE, 0, kModem},
       {TRUE, 0, kModem}},
      {"plain over the same driver: not better", ContractHardwareId(4), ContractHardwareId(4), "contract_class.inf", 0,
       true, {FALSE, ERROR_NO_MORE_ITEMS, kDevice}, {TRUE, 0, kDevice}},
      {"no device carries the ID", "", ContractHardwareId(8), "contract_class.inf", 0, false,
       {FALSE, ERROR_NO_SUCH_DEVINST, nullptr}, kWineInstallsNothing},
      {"no device carries the ID, forced", "", ContractHardwareId(8), "contract_class.inf", INSTALLFLAG_FORCE, false,
       {FALSE, ERROR_NO_SUCH_DEVINST, nullptr}, kWineInstallsNothing},
      {"a missing INF", ContractHardwareId(9), ContractHardwareId(9), "no_such_file.inf", INSTALLFLAG_FORCE, false,
       {FALSE, ERROR_FILE_NOT_FOUND, nullptr}, kWineInstallsNothing},
      {"no model for the device", ContractHardwareId(10), ContractHardwareId(10), "contract_class.inf",
       INSTALLFLAG_FORCE, false, {FALSE, ERROR_NO_MORE_ITEMS, nullptr}, kWineInstallsNothing},
      {"an ID longer than a device ID", "", "USB\\VID_1234&PID_5678\\" + std::string(200, 'L'), "contract_class.inf",
       INSTALLFLAG_FORCE, false, {FALSE, ERROR_INVALID_PARAMETER, nullptr}, kWineInstallsNothing},
      {"the ID in other letter case", ContractHardwareId(5), "usb\\vid_1234&pid_5678&mi_05", "contract_class.inf",
       INSTALLFLAG_FORCE, false, {TRUE, 0, kDevice}, kWineInstallsNothing},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const bool modem = c.planted == modemId;
    const std::string inf = DataPath("contract/" + std::string(c.inf));
    std::unique_ptr<PlantedNode> node;
    if (!c.planted.empty()) {
      node = std::make_unique<PlantedNode>(Services(), "QCT_UPDATE", modem ? kModemClassGuid : kContractClassGuid,
                                           std::vector<std::string>{c.planted});
      ASSERT_TRUE(node->Ok()) << node->Failure();
      EXPECT_FALSE(PresentDeviceProperty(Services(), c.planted, SPDRP_DRIVER)) << "a driver before the install";
      ASSERT_TRUE(!c.updatedBefore || Services().UpdateDriverForPlugAndPlayDevicesA(nullptr, c.planted.c_str(),
                                                                                     inf.c_str(), 0, nullptr));
    }
    const Result &want = WineLike() ? c.wine : c.windows;
    BOOL reboot = TRUE;
    Services().SetLastError(0xDEADBEEF);
    const BOOL ok = Services().UpdateDriverForPlugAndPlayDevicesA(nullptr, c.updated.c_str(), inf.c_str(), c.flags,
                                                                  &reboot);
    EXPECT_EQ(ok, want.ok);
    EXPECT_EQ(Services().GetLastError(), want.code);
    EXPECT_TRUE(!ok || !reboot) << "a restart asked for";
    if (!node)
      continue;
    const std::optional<std::string> description = PresentDeviceProperty(Services(), c.planted, SPDRP_DEVICEDESC);
    EXPECT_EQ(description.value_or("<none>"), want.description ? want.description : "<none>");
    EXPECT_EQ(PresentDeviceProperty(Services(), c.planted, SPDRP_DRIVER).has_value(), want.description != nullptr);
    if (want.description) {
      EXPECT_EQ(PresentDeviceProperty(Services(), c.planted, SPDRP_CLASS).value_or(""),
                modem ? "Modem" : "QuarvelContract");
    }
    if (Sim() && want.description) { // the unit tests read installs back this way
      const SimDevice *device = Sim()->FindDevice(InstanceId(node->Set(), node->Device()));
      ASSERT_NE(device, nullptr);
      EXPECT_EQ(device->installedInf, inf);
      EXPECT_EQ(device->installedForced, c.flags == INSTALLFLAG_FORCE);
    }
  }
}

} // namespace
