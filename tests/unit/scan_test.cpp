// The device scan and the removal of the matched device: which device is matched, what a scan leaves
// after each kind of failure, and that the removal never acts on a stale match.

#include <gtest/gtest.h>

#include "InstallTestSupport.h"
#include "TraceRecorder.h"

using namespace quarveltest;

namespace {

class ScanTest : public ::testing::TestWithParam<SimMode> {
protected:
  HookedTree tree{GetParam()};
  ScopedPlatform platform{tree};
  TraceRecorder trace;
  TempInfDir dir;
  RecordingView view;
  CInstallerCore core{view};
};

TEST_P(ScanTest, NoMatchingDeviceLeavesTheIndexAndRemovesNothing) {
  tree.AddPresentDevice({"USB\\VID_1234&PID_0001"});
  tree.AddPresentDevice({"usb\\vid_05c6&pid_9018&mi_0"}); // a prefix followed by a digit does not match
  tree.AddPresentDevice({"PCI\\VEN_8086", kModemId});      // only the first hardware ID counts
  const std::string inf = dir.WriteKind(kKindInfs[0]);

  const ScanResult scan = core.ScanDevices(PassOf(0, inf));
  EXPECT_TRUE(scan.scanned);
  EXPECT_FALSE(scan.matched);
  EXPECT_TRUE(scan.hardwareId.IsEmpty());
  EXPECT_EQ(tree.OpenSetCount(), 1);

  core.RemoveMatchedDevice();
  EXPECT_TRUE(tree.RemovedInstanceIds().empty());
  EXPECT_EQ(tree.CallCount("SetupDiRemoveDevice"), 0);
  EXPECT_EQ(tree.OpenSetCount(), 0);
  // The INF was read: the refresh scans it again.
  core.OnRefresh();
  EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), 2);
}

TEST_P(ScanTest, TheLastMatchingDeviceWinsWithItsOwnLetterCase) {
  tree.AddPresentDevice({"USB\\VID_1234&PID_0001"});
  tree.AddPresentDevice({kModemId});
  tree.AddPresentDeviceWithoutIds();
  const std::string winner = tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_02&REV_0001", "USB\\VID_05C6"});
  tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_03"});
  // The INF lists the ID in lower case.
  const std::string inf = dir.WriteKind(kKindInfs[0], {"usb\\vid_05c6&pid_9018&mi_02"});

  const ScanResult scan = core.ScanDevices(PassOf(0, inf));
  EXPECT_TRUE(scan.matched);
  EXPECT_EQ(scan.hardwareId, "USB\\VID_05C6&PID_9018&MI_02&REV_0001");
  EXPECT_EQ(scan.index, 3u);

  core.RemoveMatchedDevice();
  EXPECT_EQ(tree.RemovedInstanceIds(), std::vector<std::string>{winner});
  EXPECT_EQ(tree.OpenSetCount(), 0);
}

TEST_P(ScanTest, ThePassesKindChoosesTheSection) {
  tree.AddPresentDevice({kModemId});
  tree.AddPresentDevice({kSerialId});
  const std::string inf = dir.Write("both.inf", InfText("Models.NTamd64", {kModemId}) + "\r\n[QcomSerialPort]\r\n%S%=S, " +
                                                    kSerialId + "\r\n");
  const ScanResult scan = core.ScanDevices(PassOf(1, inf));
  EXPECT_EQ(scan.hardwareId, kSerialId);
  EXPECT_EQ(scan.index, 1u);
}

TEST_P(ScanTest, ALeftOverMatchIsNeverRemovedFromALaterSet) {
  const std::string unrelated = tree.AddPresentDevice({"USB\\VID_1234&PID_0001"});
  tree.AddPresentDevice({kModemId});
  const std::string modemInf = dir.WriteKind(kKindInfs[0]);
  const std::string serialInf = dir.WriteKind(kKindInfs[1]);
  ASSERT_EQ(core.ScanDevices(PassOf(0, modemInf)).index, 1u);

  {
    SCOPED_TRACE("the next scan matches nothing");
    EXPECT_TRUE(core.ScanDevices(PassOf(1, serialInf)).scanned);
    core.RemoveMatchedDevice();
    EXPECT_TRUE(tree.RemovedInstanceIds().empty());
    EXPECT_EQ(tree.OpenSetCount(), 0);
  }
  {
    SCOPED_TRACE("the next scan fails");
    ASSERT_TRUE(core.ScanDevices(PassOf(0, modemInf)).matched);
    EXPECT_FALSE(core.ScanDevices(PassOf(0, dir.PathOf("absent.inf"))).scanned);
    core.RemoveMatchedDevice();
    EXPECT_TRUE(tree.RemovedInstanceIds().empty());
  }
  {
    SCOPED_TRACE("the removal step already ran");
    ASSERT_TRUE(core.ScanDevices(PassOf(0, modemInf)).matched);
    tree.AddPresentDevice({"USB\\VID_1234&PID_0002"});
    core.RemoveMatchedDevice();
    core.RemoveMatchedDevice();
    EXPECT_EQ(tree.RemovedInstanceIds().size(), 1u);
    EXPECT_NE(tree.FindDevice(unrelated), nullptr);
  }
  EXPECT_EQ(tree.DoubleDestroyCount(), 0);
}

TEST_P(ScanTest, AnUnreadableInfFailsBeforeAnyDeviceWork) {
  tree.AddPresentDevice({kModemId});
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  ASSERT_TRUE(core.ScanDevices(PassOf(0, inf)).scanned);
  const size_t callsBefore = tree.CallLog().size();

  const ScanResult scan = core.ScanDevices(PassOf(0, dir.PathOf("absent.inf")));
  EXPECT_FALSE(scan.scanned);
  EXPECT_FALSE(scan.matched);
  // Only the previous scan's set was released.
  const std::vector<std::string> calls = tree.CallLog();
  EXPECT_EQ(std::vector<std::string>(calls.begin() + static_cast<long>(callsBefore), calls.end()),
            std::vector<std::string>{"SetupDiDestroyDeviceInfoList"});
  EXPECT_EQ(tree.OpenSetCount(), 0);

  EXPECT_FALSE(core.ScanDevices(PassOf(0, "")).scanned);
  core.OnRefresh(); // no INF read: nothing to scan again
  EXPECT_EQ(tree.CallLog().size(), calls.size());
}

TEST_P(ScanTest, AnInfWithoutAReadableClassFailsWithItsPathKept) {
  tree.AddPresentDevice({kModemId});
  const std::string inf = dir.Write("noversion.inf", "[Models.NTamd64]\r\n%D%=I, " + std::string(kModemId) + "\r\n");
  const ScanResult scan = core.ScanDevices(PassOf(0, inf));
  EXPECT_FALSE(scan.scanned);
  EXPECT_FALSE(scan.matched);
  EXPECT_EQ(tree.OpenSetCount(), 0);
  EXPECT_EQ(tree.CallCount("SetupDiGetClassDevsA"), 0);
  // Its INF was read: the refresh tries it again.
  core.OnRefresh();
  EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), 2);
}

TEST_P(ScanTest, AFailedSetBuildStillScansTrueAndIsNeverReleasedTwice) {
  tree.AddPresentDevice({kModemId});
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  tree.FailCall("SetupDiGetClassDevsA", 1, ERROR_NOT_ENOUGH_MEMORY);
  const ScanResult scan = core.ScanDevices(PassOf(0, inf));
  EXPECT_TRUE(scan.scanned);
  EXPECT_FALSE(scan.matched);
  core.RemoveMatchedDevice();
  core.ResetScanState();
  EXPECT_TRUE(tree.RemovedInstanceIds().empty());
  EXPECT_EQ(tree.DoubleDestroyCount(), 0);
  EXPECT_EQ(tree.OpenSetCount(), 0);
}

TEST_P(ScanTest, ResetAndRescanReleaseEachSetOnce) {
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  ASSERT_TRUE(core.ScanDevices(PassOf(0, inf)).scanned);
  core.ResetScanState();
  core.ResetScanState();
  EXPECT_EQ(tree.CallCount("SetupDiDestroyDeviceInfoList"), 1);
  core.OnRefresh(); // the reset forgot the INF
  EXPECT_EQ(tree.CallCount("SetupDiGetINFClassA"), 1);

  ASSERT_TRUE(core.ScanDevices(PassOf(0, inf)).scanned);
  core.RemoveMatchedDevice();
  ASSERT_TRUE(core.ScanDevices(PassOf(0, inf)).scanned);
  ASSERT_TRUE(core.ScanDevices(PassOf(0, inf)).scanned);
  EXPECT_EQ(tree.SetsCreated(), 4);
  EXPECT_EQ(tree.OpenSetCount(), 1);
  EXPECT_EQ(tree.DoubleDestroyCount(), 0);
}

TEST_P(ScanTest, APropertyTooLongForTheScanBufferIsSkipped) {
  tree.AddPresentDevice({kModemId, std::string(2100, 'X')});
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  const ScanResult scan = core.ScanDevices(PassOf(0, inf));
  EXPECT_TRUE(scan.scanned);
  EXPECT_FALSE(scan.matched);
}

TEST_P(ScanTest, APropertyFillingTheBufferWithoutZerosIsReadWithinIt) {
  tree.AddPresentDevice({"placeholder"});
  std::string raw = std::string(kModemId) + "&";
  raw.resize(2000, 'Z');
  tree.rawHardwareIds = &raw;
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  const ScanResult scan = core.ScanDevices(PassOf(0, inf));
  EXPECT_EQ(scan.hardwareId.GetLength(), 2000);
  EXPECT_EQ(scan.hardwareId, raw.c_str());
  EXPECT_EQ(scan.index, 0u);
}

INSTANTIATE_TEST_SUITE_P(BothModes, ScanTest, ::testing::Values(SimMode::Windows, SimMode::Wine),
                         [](const ::testing::TestParamInfo<SimMode> &info) { return ModeName(info.param); });

} // namespace
