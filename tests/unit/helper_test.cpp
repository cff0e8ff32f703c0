// The installer helper: the present-device search, the forced update, the new root node, and
// what each failing step leaves behind, on both the Windows-like and the Wine-like simulation.

#include <gtest/gtest.h>

#include "InstallTestSupport.h"
#include "TraceRecorder.h"
#include "install/HardwareIdReader.h"
#include "install/QuarvelHelper.h"

using namespace quarveltest;

namespace {

const DWORD kInjected = 0xE0000ABC;

std::vector<std::string> Texts(std::initializer_list<std::string> texts) { return texts; }

std::string SearchText(const std::string &id) { return "Search for Device ID: [" + id + "\n]\n"; }
std::string CompareText(const std::string &id) { return "Compare device ID: [" + id + "\n]\n"; }
std::string FoundText(const std::string &id) { return "Found! [" + id + "\n]\n"; }


class HelperTest : public ::testing::TestWithParam<SimMode> {
protected:
  void ExpectNoSetLeft() {
    EXPECT_EQ(tree.OpenSetCount(), 0);
    EXPECT_EQ(tree.DoubleDestroyCount(), 0);
  }

  HookedTree tree{GetParam()};
  ScopedPlatform platform{tree};
  TraceRecorder trace;
  TempInfDir dir;
  CQuarvelHelper helper;
};

TEST_P(HelperTest, IdListedAsThirdStringIsFoundAndForcedOntoThatDevice) {
  const std::string instance =
      tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&REV_0001", "USB\\VID_05C6&PID_9018", kModemId}, "Modem");
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  tree.SetLastError(ERROR_ACCESS_DENIED); // a successful call may leave an old code standing

  BOOL reboot = TRUE;
  EXPECT_TRUE(helper.InstallInfDriver(PassOf(0, inf), kModemId, &reboot));

  EXPECT_EQ(trace.texts, Texts({SearchText(kModemId), CompareText("USB\\VID_05C6&PID_9018&REV_0001"),
                                CompareText("USB\\VID_05C6&PID_9018"), CompareText(kModemId), FoundText(kModemId),
                                kInstalled}));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(reboot);
  EXPECT_EQ(tree.FindDevice(instance)->installedInf, inf);
  EXPECT_EQ(tree.CallCount("SetupDiCreateDeviceInfoA"), 0);
  EXPECT_TRUE(RootNodes(tree).empty());
  ExpectNoSetLeft();
}

TEST_P(HelperTest, IdInOtherLetterCaseIsNotFoundAndANewNodeGetsTheKindsFallback) {
  tree.AddPresentDevice({"usb\\vid_05c6&pid_9018&mi_03"}, "Ports");
  const std::string inf = dir.WriteKind(kKindInfs[1]);

  EXPECT_FALSE(helper.FindPresentHardwareId(kSerialId));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(trace.texts, Texts({SearchText(kSerialId), CompareText("usb\\vid_05c6&pid_9018&mi_03"), "EnumDeviceInfo"}));

  trace.texts.clear();
  EXPECT_TRUE(helper.InstallInfDriver(PassOf(1, inf), kSerialId, nullptr));
  EXPECT_EQ(trace.texts.back(), kInstalled);
  const std::vector<SimDevice> nodes = RootNodes(tree);
  ASSERT_EQ(nodes.size(), 1u);
  ASSERT_TRUE(nodes[0].hardwareIds.has_value());
  EXPECT_EQ(*nodes[0].hardwareIds, std::vector<std::string>{kSerialId});
  EXPECT_EQ(nodes[0].installedInf, inf);
  EXPECT_EQ(nodes[0].className, "Ports");
  ExpectNoSetLeft();
}

TEST_P(HelperTest, WithoutAPresentDeviceEachKindCreatesItsOwnFallbackNode) {
  // One INF with a model for each fallback ID, so that every node gets its driver.
  const std::string inf = dir.Write(kKindInfs[2].fileName, InfTextForKind(kKindInfs[2], {kAdbId}, {kModemId, kSerialId}));
  for (int kind = 0; kind < 3; ++kind) {
    SCOPED_TRACE(kKindInfs[kind].kind);
    HookedTree local(GetParam());
    ScopedPlatform scope(local);
    EXPECT_TRUE(helper.InstallInfDriver(PassOf(kind, inf), "USB\\VID_1234&PID_0001", nullptr));
    const std::vector<SimDevice> nodes = RootNodes(local);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(*nodes[0].hardwareIds, std::vector<std::string>{kKindInfs[kind].hardwareId});
    EXPECT_EQ(nodes[0].installedInf, inf);
    EXPECT_EQ(local.OpenSetCount(), 0);
  }
}

TEST_P(HelperTest, ARestartRequestIsTracedAfterTheSuccessAndReported) {
  tree.AddPresentDevice({kModemId}, "Modem");
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  tree.SetRebootRequired(true);

  BOOL reboot = FALSE;
  EXPECT_TRUE(helper.InstallInfDriver(PassOf(0, inf), kModemId, &reboot));
  EXPECT_TRUE(reboot);
  ASSERT_GE(trace.texts.size(), 2u);
  EXPECT_EQ(trace.texts[trace.texts.size() - 2], kInstalled);
  EXPECT_EQ(trace.texts.back(), "(Reboot Required)\n");

  // Without a place for the flag the restart is still traced.
  trace.texts.clear();
  EXPECT_TRUE(helper.InstallInfDriver(PassOf(0, inf), kModemId, nullptr));
  EXPECT_EQ(trace.texts.back(), "(Reboot Required)\n");
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_P(HelperTest, AMissingInfStopsBeforeAnyDeviceWork) {
  tree.AddPresentDevice({kModemId}, "Modem");
  // Percent signs in the path are part of the text, not conversions.
  const std::string inf = dir.PathOf("100%sure%d.inf");

  EXPECT_FALSE(helper.InstallInfDriver(PassOf(0, inf), kModemId, nullptr));
  EXPECT_EQ(trace.texts, Texts({"File not found:" + inf}));
  EXPECT_NE(tree.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  for (const std::string &call : tree.CallLog())
    EXPECT_EQ(call.rfind("SetupDi", 0), std::string::npos) << call;
  EXPECT_EQ(tree.CallCount("UpdateDriverForPlugAndPlayDevicesA"), 0);
}

TEST_P(HelperTest, EachFailingStepOfTheNewNodeIsTracedKeepsItsCodeAndLeavesNoNode) {
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  for (const StepFailure &step : kNewNodeStepFailures) {
    SCOPED_TRACE(step.operation);
    HookedTree local(GetParam());
    ScopedPlatform scope(local);
    TraceRecorder localTrace;
    local.FailCall(step.operation, 1, kInjected);

    EXPECT_FALSE(helper.InstallOnNewRootDevice(inf.c_str(), kModemId, nullptr));
    EXPECT_EQ(local.GetLastError(), kInjected);
    EXPECT_EQ(localTrace.texts, Texts({step.text}));
    EXPECT_TRUE(RootNodes(local).empty());
    EXPECT_EQ(local.OpenSetCount(), 0);
    EXPECT_EQ(local.DoubleDestroyCount(), 0);
  }
}

TEST_P(HelperTest, ANodeWhoseDriverAndRemovalBothFailStaysAndTheRemovalIsTraced) {
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  tree.FailCall("UpdateDriverForPlugAndPlayDevicesA", 1, kInjected);
  tree.FailCall("SetupDiCallClassInstaller", 2, ERROR_ACCESS_DENIED); // the second call is DIF_REMOVE

  EXPECT_FALSE(helper.InstallOnNewRootDevice(inf.c_str(), kModemId, nullptr));
  EXPECT_EQ(trace.texts, Texts({"UpdateDriverForPlugAndPlayDevices", "CallClassInstaller(REMOVE)"}));
  // The account is the driver update's failure, not the removal's.
  EXPECT_EQ(tree.GetLastError(), kInjected);
  EXPECT_EQ(RootNodes(tree).size(), 1u);
  ExpectNoSetLeft();
}

TEST_P(HelperTest, ANewNodeSucceedsEvenWhenSuccessfulCallsLeaveAnOldCode) {
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  tree.SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(helper.InstallOnNewRootDevice(inf.c_str(), kModemId, nullptr));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(trace.texts.empty());
  EXPECT_EQ(RootNodes(tree).size(), 1u);
  ExpectNoSetLeft();
}

TEST_P(HelperTest, FailuresOfThePresentDeviceSearch) {
  {
    SCOPED_TRACE("the present-device set cannot be built");
    HookedTree local(GetParam());
    ScopedPlatform scope(local);
    TraceRecorder localTrace;
    local.AddPresentDevice({kModemId});
    local.FailCall("SetupDiGetClassDevsA", 1, kInjected);
    EXPECT_FALSE(helper.FindPresentHardwareId(kModemId));
    EXPECT_EQ(localTrace.texts, Texts({"GetClassDevs(All Present Devices)"}));
    EXPECT_EQ(local.GetLastError(), kInjected);
    EXPECT_EQ(local.OpenSetCount(), 0);
  }
  {
    SCOPED_TRACE("a property read fails for another reason than size or absence");
    HookedTree local(GetParam());
    ScopedPlatform scope(local);
    TraceRecorder localTrace;
    local.AddPresentDevice({kModemId});
    local.FailCall("SetupDiGetDeviceRegistryPropertyA", 1, kInjected);
    EXPECT_FALSE(helper.FindPresentHardwareId(kModemId));
    EXPECT_EQ(localTrace.texts, Texts({SearchText(kModemId), "GetDeviceRegistryProperty"}));
    EXPECT_EQ(local.GetLastError(), kInjected);
    EXPECT_EQ(local.OpenSetCount(), 0);
    EXPECT_EQ(local.DoubleDestroyCount(), 0);
  }
  {
    SCOPED_TRACE("the enumeration fails midway");
    HookedTree local(GetParam());
    ScopedPlatform scope(local);
    TraceRecorder localTrace;
    local.AddPresentDevice({kSerialId});
    local.AddPresentDevice({kModemId});
    local.FailCall("SetupDiEnumDeviceInfo", 2, kInjected);
    EXPECT_FALSE(helper.FindPresentHardwareId(kModemId));
    EXPECT_EQ(localTrace.texts, Texts({SearchText(kModemId), CompareText(kSerialId), "EnumDeviceInfo"}));
    EXPECT_EQ(local.GetLastError(), kInjected);
    EXPECT_EQ(local.OpenSetCount(), 0);
  }
}

TEST_P(HelperTest, OneOddDeviceIsSkippedWithATraceAndTheSearchGoesOn) {
  const struct {
    const char *what;
    std::string oddId; // empty: the first read keeps asking for no more room than it was given
  } cases[] = {{"asks for more than the largest size", std::string(kSearchPropertyMaxSize, 'A')},
               {"asks for no more room", ""}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    HookedTree local(GetParam());
    ScopedPlatform scope(local);
    TraceRecorder localTrace;
    local.AddPresentDevice({c.oddId.empty() ? std::string(kSerialId) : c.oddId});
    local.AddPresentDevice({kModemId});
    if (c.oddId.empty())
      local.FailCall("SetupDiGetDeviceRegistryPropertyA", 1, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_TRUE(helper.FindPresentHardwareId(kModemId));
    EXPECT_EQ(localTrace.texts, Texts({SearchText(kModemId), "GetDeviceRegistryProperty", CompareText(kModemId),
                                       FoundText(kModemId)}));
    EXPECT_EQ(local.OpenSetCount(), 0);
  }
}

TEST_P(HelperTest, DevicesWithoutHardwareIdsAreSkipped) {
  tree.AddPresentDeviceWithoutIds();
  tree.AddPresentDevice({kAdbId, kModemId});
  EXPECT_TRUE(helper.FindPresentHardwareId(kModemId));
  EXPECT_EQ(trace.texts, Texts({SearchText(kModemId), CompareText(kAdbId), CompareText(kModemId), FoundText(kModemId)}));
  ExpectNoSetLeft();
}

TEST_P(HelperTest, AHardwareIdPropertyWithoutTerminatingZerosIsReadWithinItsBytes) {
  tree.AddPresentDevice({"placeholder"});
  const std::string single = "USB\\X";
  tree.rawHardwareIds = &single;
  EXPECT_TRUE(helper.FindPresentHardwareId("USB\\X"));
  EXPECT_EQ(trace.texts, Texts({SearchText("USB\\X"), CompareText("USB\\X"), FoundText("USB\\X")}));

  trace.texts.clear();
  const std::string two("USB\\A\0USB\\BB", 12);
  tree.rawHardwareIds = &two;
  EXPECT_FALSE(helper.FindPresentHardwareId("USB\\BBB"));
  EXPECT_EQ(trace.texts,
            Texts({SearchText("USB\\BBB"), CompareText("USB\\A"), CompareText("USB\\BB"), "EnumDeviceInfo"}));
  ExpectNoSetLeft();
}

TEST_P(HelperTest, AHardwareIdThatDoesNotFitThePropertyBufferIsRefused) {
  const std::string inf = dir.WriteKind(kKindInfs[0]);
  const std::string tooLong(kHardwareIdPropertyBufferSize - 1, 'A');
  EXPECT_FALSE(helper.InstallOnNewRootDevice(inf.c_str(), tooLong.c_str(), nullptr));
  EXPECT_EQ(trace.texts, Texts({"Hardware ID too long"}));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_TRUE(tree.CallLog().empty());

  // The longest ID that fits the buffer is written to its node; Windows then refuses to update a
  // device by an ID longer than a device ID may be, and the node goes again.
  const std::string longest = "USB\\" + std::string(kHardwareIdPropertyBufferSize - 2 - 4, 'B');
  const bool installed = helper.InstallOnNewRootDevice(inf.c_str(), longest.c_str(), nullptr);
  EXPECT_EQ(tree.CallCount("SetupDiSetDeviceRegistryPropertyA"), 1);
  if (GetParam() == SimMode::Windows) {
    EXPECT_FALSE(installed);
    EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(trace.texts.back(), "UpdateDriverForPlugAndPlayDevices");
    EXPECT_TRUE(RootNodes(tree).empty());
  } else {
    EXPECT_TRUE(installed);
    const std::vector<SimDevice> nodes = RootNodes(tree);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(*nodes[0].hardwareIds, std::vector<std::string>{longest});
  }
  ExpectNoSetLeft();
}

INSTANTIATE_TEST_SUITE_P(BothModes, HelperTest, ::testing::Values(SimMode::Windows, SimMode::Wine),
                         [](const ::testing::TestParamInfo<SimMode> &info) { return ModeName(info.param); });

} // namespace
