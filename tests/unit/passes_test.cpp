// The install passes end to end against the simulation: the automatic install's outcome, the
// folder install, the executable's directory, and that nothing re-enters a running pass.

#include <gtest/gtest.h>

#include <algorithm>

#include "InstallTestSupport.h"
#include "TraceRecorder.h"

using namespace quarveltest;

namespace {

std::vector<std::string> FirstIds(const std::vector<SimDevice> &devices) {
  std::vector<std::string> ids;
  for (const SimDevice &device : devices)
    ids.push_back(device.hardwareIds && !device.hardwareIds->empty() ? device.hardwareIds->front() : "");
  return ids;
}

class PassesTest : public ::testing::TestWithParam<SimMode> {
protected:
  PassesTest() { tree.SetModuleFileName(dir.ExePath()); }

  void ExpectCleanSets() {
    EXPECT_EQ(tree.OpenSetCount(), 0);
    EXPECT_EQ(tree.DoubleDestroyCount(), 0);
  }
  // INFs whose lists do not match the fallback IDs, so that the new nodes stay to be looked at; each
  // has a model for its fallback ID elsewhere, so that the node gets its driver.
  void WriteKindsNotMatchingFallbacks(const TempInfDir &folder, const char *modemFileName = "qcmdm.inf") {
    for (int i = 0; i < 3; ++i)
      folder.Write(i == 0 ? modemFileName : kKindInfs[i].fileName,
                   InfTextForKind(kKindInfs[i], {std::string(kKindInfs[i].hardwareId) + "&REV_0009"},
                                  {kKindInfs[i].hardwareId}));
  }

  HookedTree tree{GetParam()};
  ScopedPlatform platform{tree};
  TraceRecorder trace;
  TempInfDir dir;
  RecordingView view;
  CInstallerCore core{view};
};

TEST_P(PassesTest, WithoutDevicesEachDriverGoesOntoANewNodeThatIsRemovedAgain) {
  dir.WriteAllKinds();
  EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Success);

  EXPECT_EQ(CountText(trace.texts, kInstalled), 3);
  EXPECT_EQ(tree.CallCount("SetupDiCreateDeviceInfoA"), 3);
  const std::vector<std::string> removed = tree.RemovedInstanceIds();
  ASSERT_EQ(removed.size(), 3u);
  for (const std::string &id : removed)
    EXPECT_EQ(id.rfind("ROOT\\", 0), 0u) << id;
  EXPECT_TRUE(tree.Devices().empty());
  EXPECT_EQ(view.begins, 3);
  EXPECT_EQ(view.ends, 3);
  EXPECT_FALSE(core.IsBusy());
  ExpectCleanSets();
}

TEST_P(PassesTest, PresentDevicesGetTheirDriverForcedAndAreThenRemoved) {
  dir.WriteAllKinds();
  const std::string unrelated = tree.AddPresentDevice({"USB\\VID_1234&PID_0001"});
  const std::string modem = tree.AddPresentDevice({kModemId}, "Modem");
  const std::string serial = tree.AddPresentDevice({kSerialId}, "Ports");
  const std::string adb = tree.AddPresentDevice({kAdbId});

  EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Success);
  EXPECT_EQ(tree.RemovedInstanceIds(), (std::vector<std::string>{modem, serial, adb}));
  EXPECT_EQ(tree.CallCount("SetupDiCreateDeviceInfoA"), 0);
  EXPECT_NE(tree.FindDevice(unrelated), nullptr);
  EXPECT_EQ(TextsStartingWith(trace.texts, "Found! [").size(), 3u);
  ExpectCleanSets();
}

TEST_P(PassesTest, TheOutcomeIsSuccessOnlyWhenAllThreeDriversWereInstalled) {
  {
    SCOPED_TRACE("only the Android INF beside the executable");
    TempInfDir only;
    only.WriteKind(kKindInfs[2]);
    tree.SetModuleFileName(only.ExePath());
    EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Failure);
    EXPECT_EQ(CountText(trace.texts, kInstalled), 1);
  }
  {
    SCOPED_TRACE("the Android INF is missing");
    TempInfDir twoOfThree;
    twoOfThree.WriteKind(kKindInfs[0]);
    twoOfThree.WriteKind(kKindInfs[1]);
    tree.SetModuleFileName(twoOfThree.ExePath());
    trace.texts.clear();
    EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Failure);
    EXPECT_EQ(CountText(trace.texts, kInstalled), 2);
  }
  {
    SCOPED_TRACE("the second driver fails to install");
    dir.WriteAllKinds();
    tree.SetModuleFileName(dir.ExePath());
    tree.FailCall("SetupDiCallClassInstaller", 2, ERROR_ACCESS_DENIED); // the second node's registration
    trace.texts.clear();
    EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Failure);
    EXPECT_EQ(CountText(trace.texts, kInstalled), 2);
    EXPECT_EQ(CountText(trace.texts, "CallClassInstaller(REGISTERDEVICE)"), 1);
    // The failure lies between the first and the third pass's success: the third pass still ran.
    const auto failure = std::find(trace.texts.begin(), trace.texts.end(), "CallClassInstaller(REGISTERDEVICE)");
    EXPECT_EQ(std::count(trace.texts.begin(), failure, kInstalled), 1);
    EXPECT_EQ(std::count(failure, trace.texts.end(), kInstalled), 1);
  }
  EXPECT_TRUE(RootNodes(tree).empty());
  ExpectCleanSets();
}

TEST_P(PassesTest, TheExecutablesDirectory) {
  const struct {
    std::string path;
    std::string directory;
  } cases[] = {
      {"C:\\Quarvel.exe", "C:"},
      {"C:\\Tools\\Quarvel\\Quarvel.exe", "C:\\Tools\\Quarvel"},
      {"Quarvel.exe", ""},
      {"\\Quarvel.exe", ""}, // a backslash at the very start does not count
      {"\\\\server\\share\\Quarvel.exe", "\\\\server\\share"},
      // A double-byte character whose trail byte is the backslash's code is not a separator.
      {"C:\\\xB5\x5C\\Quarvel.exe", "C:\\\xB5\x5C"},
      {"C:\\Tools\\\xB5\x5C", "C:\\Tools"},
      {"C:\\" + std::string(252, 'a') + "\\Q.exe", "C:\\" + std::string(252, 'a')}, // 261 bytes
      {"C:\\" + std::string(300, 'b') + "\\" + std::string(290, 'c') + "\\Quarvel.exe",
       "C:\\" + std::string(300, 'b') + "\\" + std::string(290, 'c')},
      {"C:\\" + std::string(251, 'd') + "\\", "C:\\" + std::string(251, 'd')}, // exactly 256 bytes
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path.substr(0, 40));
    tree.SetModuleFileName(c.path);
    EXPECT_EQ(core.GetModuleDirectory(), c.directory.c_str());
  }
  tree.SetModuleFileName("", ERROR_ACCESS_DENIED);
  EXPECT_TRUE(core.GetModuleDirectory().IsEmpty());
}

TEST_P(PassesTest, AnUnreadableExecutablePathFailsThePassesWithoutLookingForInfs) {
  tree.SetModuleFileName("");
  EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Failure);
  EXPECT_EQ(tree.CallLog(), std::vector<std::string>{"GetModuleFileNameA"});
  EXPECT_TRUE(trace.texts.empty());
  EXPECT_EQ(view.begins, 0);
}

TEST_P(PassesTest, NothingReentersARunningPass) {
  dir.WriteAllKinds();
  int hooked = 0;
  int browsed = 0;
  CString chosen;
  const auto choose = [&] {
    ++browsed;
    return chosen;
  };
  tree.onUpdate = [&] {
    ++hooked;
    EXPECT_TRUE(core.IsBusy());
    const int scansBefore = tree.CallCount("SetupDiGetINFClassA");
    const int destroysBefore = tree.CallCount("SetupDiDestroyDeviceInfoList");
    core.OnRefresh();
    EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Ignored);
    EXPECT_FALSE(core.RunFolderInstall(dir.Dir().c_str()));
    EXPECT_FALSE(core.RunFolderInstall(choose)) << "the folder button opens no browser";
    EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), scansBefore);
    EXPECT_EQ(tree.CallCount("SetupDiDestroyDeviceInfoList"), destroysBefore);
  };
  EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Success);
  EXPECT_GE(hooked, 3);
  chosen = dir.Dir().c_str();
  EXPECT_TRUE(core.RunFolderInstall(choose));
  tree.onUpdate = nullptr;
  EXPECT_EQ(browsed, 1) << "only the click outside any pass asked for a folder";
  chosen = "";
  EXPECT_FALSE(core.RunFolderInstall(choose)) << "a cancelled browser installs nothing";

  // Once the passes are over the refresh scans again, with the last INF.
  EXPECT_FALSE(core.IsBusy());
  const int scansBefore = tree.CallCount("SetupDiGetINFClassA");
  core.OnRefresh();
  EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), scansBefore + 1);
  EXPECT_EQ(tree.OpenSetCount(), 1); // the refresh's set stays with the dialog
  core.ResetScanState();
  ExpectCleanSets();
}

TEST_P(PassesTest, TheRefreshBeforeAnyInstallDoesNothingAndARefreshSetGoesWithTheInstaller) {
  core.OnRefresh();
  EXPECT_TRUE(tree.CallLog().empty());
  dir.WriteAllKinds();
  {
    CInstallerCore closing{view};
    closing.RunFolderInstall(dir.Dir().c_str());
    const int scans = tree.CallCount("SetupDiGetINFClassA");
    closing.OnRefresh();
    EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), scans + 1);
    EXPECT_EQ(tree.OpenSetCount(), 1);
  }
  ExpectCleanSets();
}

TEST_P(PassesTest, AMatchedDeviceGetsOnePlainUpdateWithItsOwnIdBeforeTheForcedOne) {
  dir.WriteAllKinds();
  const std::string ownCase = "usb\\vid_05c6&pid_9018&mi_02"; // the INF lists it in upper case
  tree.AddPresentDevice({ownCase}, "Modem");
  EXPECT_EQ(core.RunAutomaticInstall(), InstallOutcome::Success);
  const std::vector<std::pair<DWORD, std::string>> expected = {
      {0, ownCase}, {INSTALLFLAG_FORCE, ownCase}, {INSTALLFLAG_FORCE, kSerialId}, {INSTALLFLAG_FORCE, kAdbId}};
  EXPECT_EQ(tree.updates, expected);
}

TEST_P(PassesTest, TheFolderInstallSetsEachPassesKind) {
  TempInfDir folder;
  WriteKindsNotMatchingFallbacks(folder);
  EXPECT_TRUE(core.RunFolderInstall(folder.Dir().c_str()));

  const std::vector<SimDevice> nodes = RootNodes(tree);
  EXPECT_EQ(FirstIds(nodes), (std::vector<std::string>{kModemId, kSerialId, kAdbId}));
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].installedInf, folder.PathOf("qcmdm.inf"));
  EXPECT_EQ(nodes[1].installedInf, folder.PathOf("qcser.inf"));
  EXPECT_EQ(nodes[2].installedInf, folder.PathOf("android_usb.inf"));
  ExpectCleanSets();
}

TEST_P(PassesTest, TheFolderInstallFallsBackToTheOtherModemInfName) {
  TempInfDir folder;
  WriteKindsNotMatchingFallbacks(folder, "qcmsm.inf");
  EXPECT_TRUE(core.RunFolderInstall(folder.Dir().c_str()));
  const std::vector<SimDevice> nodes = RootNodes(tree);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].installedInf, folder.PathOf("qcmsm.inf"));
  EXPECT_EQ(nodes[0].hardwareIds->front(), kModemId);

  // With both present, the usual name is taken.
  TempInfDir both;
  WriteKindsNotMatchingFallbacks(both, "qcmsm.inf");
  both.Write(kKindInfs[0].fileName, InfTextForKind(kKindInfs[0], {std::string(kModemId) + "&REV_0009"}, {kModemId}));
  HookedTree other(GetParam());
  ScopedPlatform scope(other);
  EXPECT_TRUE(core.RunFolderInstall(both.Dir().c_str()));
  ASSERT_FALSE(RootNodes(other).empty());
  EXPECT_EQ(RootNodes(other)[0].installedInf, both.PathOf("qcmdm.inf"));
}

TEST_P(PassesTest, AFolderWithoutInfsOrAnEmptyFolderFailsCleanly) {
  TempInfDir empty;
  EXPECT_TRUE(core.RunFolderInstall(empty.Dir().c_str()));
  EXPECT_TRUE(core.RunFolderInstall(""));
  EXPECT_TRUE(tree.Devices().empty());
  EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), 0);
  EXPECT_EQ(view.begins, 0);
  ExpectCleanSets();
}

INSTANTIATE_TEST_SUITE_P(BothModes, PassesTest, ::testing::Values(SimMode::Windows, SimMode::Wine),
                         [](const ::testing::TestParamInfo<SimMode> &info) { return ModeName(info.param); });

} // namespace
