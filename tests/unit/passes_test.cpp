// The install passes against the simulation: the scan and the removal of its match, the executable's
// directory, the folder install, that nothing re-enters a running pass, and the refresh after it.

#include "InstallTestSupport.h"
#include "install/QuarvelHelper.h"

using namespace quarveltest;

namespace {

class PassesTest : public ::testing::TestWithParam<SimMode> {
protected:
  PassesTest() : dialog(GetParam(), dir.ExePath()) {}
  TempInfDir dir;
  Dialog dialog;
  HookedTree &tree = dialog.tree;
  CInstallerCore &core = dialog.core;
  const std::string modemInf = dir.Write("m.inf", InfText(kKindInfs[0], {"usb\\vid_05c6&pid_9018&mi_02"}));
  const InfPass modem{kDriverKinds[0], modemInf.c_str()};
};

// Two devices carry the modem's ID (the second with a revision after it); the last one enumerated wins.
TEST_P(PassesTest, TheScanMatchesTheLastDeviceCarryingTheId) {
  tree.AddPresentDevice({kModemId});
  tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_02&REV_0001"});
  const ScanResult scan = core.ScanDevices(modem);
  EXPECT_EQ(scan.hardwareId, "USB\\VID_05C6&PID_9018&MI_02&REV_0001");
  EXPECT_EQ(scan.index, 1u);
}

TEST_P(PassesTest, TheMatchIsRemovedOnceAndItsSetReleased) {
  tree.AddPresentDevice({kModemId});
  const std::string winner = tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_02&REV_0001"});
  core.ScanDevices(modem);
  core.RemoveMatchedDevice();
  core.RemoveMatchedDevice();
  core.ResetScanState();
  EXPECT_EQ(tree.RemovedInstanceIds(), std::vector<std::string>{winner});
  EXPECT_EQ(tree.OpenSetCount(), 0);
  EXPECT_EQ(tree.DoubleDestroyCount(), 0);
}

TEST_P(PassesTest, AScanThatMatchesNothingOrFailsLeavesNothingToRemove) {
  tree.AddPresentDevice({kModemId});
  // s.inf lists no present device; absent.inf cannot be read.
  for (const std::string &inf : {dir.Write("s.inf", InfText(kKindInfs[1], {kSerialId})), dir.PathOf("absent.inf")}) {
    ASSERT_TRUE(core.ScanDevices(modem).matched) << "the modem's scan before one of " << inf;
    core.ScanDevices({kDriverKinds[1], inf.c_str()});
    core.RemoveMatchedDevice();
    EXPECT_EQ(tree.RemovedInstanceIds(), std::vector<std::string>{}) << "after a scan of " << inf;
  }
}

TEST_P(PassesTest, ARefreshAfterAScanThatCouldNotReadItsInfRepeatsNothing) {
  core.ScanDevices(modem);
  core.ScanDevices({kDriverKinds[0], dir.PathOf("absent.inf").c_str()});
  const size_t calls = tree.CallLog().size();
  core.OnRefresh();
  EXPECT_EQ(tree.CallLog().size(), calls);
}

// The ID and its two terminating zeros must fit a new node's property buffer.
TEST_P(PassesTest, AnIdTooLongForANewNodeIsRefusedBeforeAnyCall) {
  const std::string tooLong(kHardwareIdPropertyBufferSize - 1, 'A');
  const size_t calls = tree.CallLog().size();
  EXPECT_FALSE(CQuarvelHelper().InstallOnNewRootDevice(modemInf.c_str(), tooLong.c_str(), nullptr));
  EXPECT_EQ(tree.CallLog().size(), calls);
  EXPECT_EQ(dialog.trace.texts.back(), "Hardware ID too long");
}

TEST_P(PassesTest, TheExecutablesDirectory) {
  const struct { std::string path, directory; } cases[] = {
      {.path = "C:\\Quarvel.exe", .directory = "C:"},
      {.path = "Quarvel.exe", .directory = ""},
      {.path = "\\Quarvel.exe", .directory = ""}, // a backslash at the very start does not count
      {.path = "a\\Quarvel.exe", .directory = "a"},    // one at index 1 does
      // A trail byte with the backslash's code is none.
      {.path = "C:\\\xB5\x5C\\Quarvel.exe", .directory = "C:\\\xB5\x5C"},
      {.path = "C:\\" + std::string(300, 'b') + "\\" + std::string(290, 'c') + "\\Q.exe",
       .directory = "C:\\" + std::string(300, 'b') + "\\" + std::string(290, 'c')},
      {.path = "C:\\" + std::string(252, 'd') + "\\", .directory = "C:\\" + std::string(252, 'd')}, // exactly 256 bytes
      {.path = "C:\\" + std::string(40000, 'm') + "\\Q.exe", .directory = ""}, // longer than the platform can give
      {.path = "", .directory = ""}, // unreadable
  };
  for (const auto &c : cases) {
    tree.SetModuleFileName(c.path);
    EXPECT_EQ(core.GetModuleDirectory(), c.directory.c_str()) << ::testing::PrintToString(c.path.substr(0, 40));
  }
}

// The folder install takes each kind's INF from the chosen folder: the modem's as qcmsm.inf when the folder
// has no qcmdm.inf, and qcmdm.inf when it has both.
TEST_P(PassesTest, TheFolderInstallTakesTheOtherModemNameOnlyWhenTheFirstIsMissing) {
  TempInfDir chosen;
  std::vector<std::string> forced = chosen.WriteAllKinds(); // the modem's then goes under its other name
  std::filesystem::rename(forced[0], chosen.PathOf("qcmsm.inf"));
  forced[0] = chosen.PathOf("qcmsm.inf");
  EXPECT_EQ(core.RunFolderInstall([&] { return CString(chosen.Dir().c_str()); }).Verdict(), InstallVerdict::Success);
  EXPECT_EQ(tree.forcedInfs, forced) << "a folder without qcmdm.inf";
  forced[0] = chosen.Write("qcmdm.inf", InfText(kKindInfs[0], {kModemId}));
  tree.forcedInfs.clear();
  EXPECT_EQ(core.RunFolderInstall(chosen.Dir().c_str()).Verdict(), InstallVerdict::Success);
  EXPECT_EQ(tree.forcedInfs, forced) << "a folder with both modem INFs";
}

// While a pass runs, a refresh, the automatic install and the folder install (which opens no browser then)
// each return at once, making no call.
TEST_P(PassesTest, NothingReentersARunningPass) {
  dir.WriteAllKinds();
  int browsed = 0, updates = 0;
  const auto browse = [&] { ++browsed; return CString(dir.Dir().c_str()); };
  tree.onUpdate = [&] { // each driver update of a pass
    ++updates;
    const size_t callsBefore = tree.CallLog().size();
    core.OnRefresh();
    EXPECT_EQ(core.RunAutomaticInstall().Verdict(), InstallVerdict::Ignored) << "the automatic install";
    EXPECT_EQ(core.RunFolderInstall(dir.Dir().c_str()).Verdict(), InstallVerdict::Ignored) << "a folder's install";
    EXPECT_EQ(core.RunFolderInstall(browse).Verdict(), InstallVerdict::Ignored) << "the folder button's install";
    EXPECT_EQ(tree.CallLog().size(), callsBefore) << "calls made inside a pass";
  };
  EXPECT_EQ(core.RunAutomaticInstall().Verdict(), InstallVerdict::Success);
  EXPECT_EQ(core.RunFolderInstall(browse).Verdict(), InstallVerdict::Success);
  EXPECT_EQ(updates, 6) << "driver updates, each inside a pass";
  EXPECT_EQ(browsed, 1) << "only the click outside any pass asked for a folder";
}

// Once the passes are over, a refresh scans again.
TEST_P(PassesTest, ARefreshAfterThePassesScansAgain) {
  dir.WriteAllKinds();
  EXPECT_EQ(core.RunAutomaticInstall().Verdict(), InstallVerdict::Success);
  const int scansBefore = tree.CallCount("SetupDiGetINFClassA");
  core.OnRefresh();
  EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), scansBefore + 1);
}

INSTANTIATE_TEST_SUITE_P(BothModes, PassesTest, ::testing::Values(SimMode::Windows, SimMode::Wine),
                         [](const auto &info) { return ModeName(info.param); });

} // namespace
