// One full automatic install, run again for every platform call that a clean run makes, with that
// one call failing (once per error code that matters), and once with a restart requested. After
// each run the things that must hold whatever fails are checked: no unrelated device removed, no
// node of ours left without a traced reason, every set released exactly once, an outcome that
// tells the truth about the installs, and a trace that names the step that failed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>
#include <set>

#include "InstallTestSupport.h"
#include "TraceRecorder.h"

using namespace quarveltest;

namespace {

const char kFileNotFound[] = "File not found:";

// Calls whose failure may keep the pass from finding and removing the node it just installed: the
// rescan and the removal step report nothing, so such a node stays, with its driver.
const std::set<std::string> kRescanAndRemovalCalls = {
    "SetupDiGetINFClassA", "SetupDiGetClassDevsA", "SetupDiEnumDeviceInfo", "SetupDiGetDeviceRegistryPropertyA",
    "SetupDiRemoveDevice",
};

const DWORD kCodes[] = {ERROR_ACCESS_DENIED, ERROR_IN_WOW64, ERROR_NO_SUCH_DEVINST};

struct Arrangement {
  const char *name;
  bool phoneModemPresent;
};

const Arrangement kArrangements[] = {
    {"NoPhone", false},
    {"PhoneModemAndOthers", true},
};

struct SweepParam {
  Arrangement arrangement;
  SimMode mode;
};

void PrintTo(const SweepParam &param, std::ostream *out) {
  *out << param.arrangement.name << ", " << ModeName(param.mode);
}

struct Fault {
  std::string operation; // empty: none
  int nth = 0;
  DWORD code = 0;
};

std::string Describe(const Fault &fault) {
  if (fault.operation.empty())
    return "no fault";
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(fault.code));
  return fault.operation + " #" + std::to_string(fault.nth) + " failing with " + code;
}

// One automatic install on a fresh tree, arranged the same way every time.
struct SweepRun {
  SweepRun(const SweepParam &param, const TempInfDir &package, const Fault &fault, bool rebootRequired)
      : tree(param.mode) {
    tree.SetModuleFileName(package.ExePath());
    tree.SetRebootRequired(rebootRequired);
    unrelated.push_back(tree.AddPresentDevice({"USB\\VID_1234&PID_0001"}));
    if (param.arrangement.phoneModemPresent) {
      unrelated.push_back(tree.AddPresentDeviceWithoutIds());
      phoneModem = tree.AddPresentDevice({kModemId, "USB\\VID_05C6&PID_9018"}, "Modem");
      // Close to the phone's IDs, but listed by none of the INFs.
      unrelated.push_back(tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0", kModemId}, "Modem"));
      unrelated.push_back(tree.AddPresentDevice({"USB\\VID_05C6&PID_9019&MI_01"}));
    }
    if (!fault.operation.empty())
      tree.FailCall(fault.operation, fault.nth, fault.code);
    outcome = core.RunAutomaticInstall();
  }

  HookedTree tree;
  ScopedPlatform platform{tree};
  TraceRecorder trace;
  RecordingView view;
  CInstallerCore core{view};
  std::vector<std::string> unrelated;
  std::string phoneModem;
  InstallOutcome outcome = InstallOutcome::Ignored;
};

// Failed assertions of the running test so far.
int FailedParts() {
  const ::testing::TestResult *result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
  int failed = 0;
  for (int i = 0; i < result->total_part_count(); ++i)
    failed += result->GetTestPartResult(i).failed() ? 1 : 0;
  return failed;
}

class FaultSweep : public ::testing::TestWithParam<SweepParam> {
protected:
  FaultSweep() { package.WriteAllKinds(); }

  // Every check that must hold after a run; returns false when one failed.
  bool CheckInvariants(const SweepRun &run, const Fault &fault) {
    const int failuresBefore = FailedParts();
    const std::string what = Describe(fault);
    const SimDeviceTree &tree = run.tree;
    const std::vector<std::string> &texts = run.trace.texts;

    // Sets: released once each. The last pass's removal step releases the dialog's own set too, so
    // only a release that itself failed leaves one open.
    EXPECT_EQ(tree.DoubleDestroyCount(), 0) << what;
    EXPECT_LE(tree.OpenSetCount(), fault.operation == "SetupDiDestroyDeviceInfoList" ? 1 : 0) << what;
    EXPECT_EQ(run.view.begins, run.view.ends) << what;
    EXPECT_FALSE(run.core.IsBusy()) << what;

    // Devices: nothing removed but the phone's own device and nodes this run created.
    for (const std::string &id : run.unrelated)
      EXPECT_NE(tree.FindDevice(id), nullptr) << what << ": unrelated device " << id << " removed";
    for (const std::string &removed : tree.RemovedInstanceIds())
      EXPECT_TRUE(removed == run.phoneModem || removed.rfind("ROOT\\", 0) == 0) << what << ": removed " << removed;

    // Nodes of ours that stay: without a driver only when their removal failed and said so; with
    // their driver only when the rescan or the removal step was what failed.
    int withoutDriver = 0;
    int withDriver = 0;
    for (const SimDevice &node : RootNodes(tree))
      (node.installedInf.empty() ? withoutDriver : withDriver)++;
    EXPECT_LE(withoutDriver, CountText(texts, "CallClassInstaller(REMOVE)")) << what;
    EXPECT_LE(withDriver, kRescanAndRemovalCalls.count(fault.operation) ? 1 : 0) << what;

    // Each pass's installing step ends in exactly one word: installed, or the step that failed.
    const int installed = CountText(texts, kInstalled);
    std::vector<std::string> failureTexts;
    for (const std::string &text : texts) {
      bool isFailure = text.rfind(kFileNotFound, 0) == 0;
      for (const StepFailure &step : kNewNodeStepFailures)
        isFailure = isFailure || text == step.text;
      if (isFailure)
        failureTexts.push_back(text);
    }
    const int installingSteps = fault.operation == "GetModuleFileNameA" ? 0 : 3;
    EXPECT_EQ(installed + static_cast<int>(failureTexts.size()), installingSteps) << what;
    // A failure traced is the failure of the call that was made to fail, and only that one.
    EXPECT_LE(failureTexts.size(), 1u) << what;
    for (const std::string &text : failureTexts) {
      if (fault.operation == "FileExists") {
        EXPECT_EQ(text.rfind(kFileNotFound, 0), 0u) << what << ": traced " << text;
      } else {
        const auto expected = std::find_if(std::begin(kNewNodeStepFailures), std::end(kNewNodeStepFailures),
                                           [&](const StepFailure &step) { return fault.operation == step.operation; });
        EXPECT_TRUE(expected != std::end(kNewNodeStepFailures) && expected->text == text)
            << what << ": traced " << text;
      }
    }

    // The outcome tells the truth: success exactly when all three drivers went onto a device.
    EXPECT_NE(run.outcome, InstallOutcome::Ignored) << what;
    EXPECT_EQ(run.outcome == InstallOutcome::Success, installed == 3) << what;
    EXPECT_EQ(static_cast<int>(run.tree.forcedInfs.size()), installed) << what << ": installs traced without effect";
    if (run.outcome == InstallOutcome::Success) {
      EXPECT_EQ(std::set<std::string>(run.tree.forcedInfs.begin(), run.tree.forcedInfs.end()).size(), 3u) << what;
    }
    if (!failureTexts.empty()) {
      EXPECT_EQ(run.outcome, InstallOutcome::Failure) << what << ": a failed install shown as success";
    }
    return FailedParts() == failuresBefore;
  }

  TempInfDir package;
};

TEST_P(FaultSweep, EveryCallOfACleanRunFailingInTurn) {
  const Fault none;
  std::vector<std::string> log;
  {
    SweepRun clean(GetParam(), package, none, false);
    ASSERT_EQ(clean.outcome, InstallOutcome::Success);
    ASSERT_TRUE(CheckInvariants(clean, none));
    EXPECT_TRUE(RootNodes(clean.tree).empty());
    if (GetParam().arrangement.phoneModemPresent) {
      EXPECT_EQ(clean.tree.FindDevice(clean.phoneModem), nullptr) << "the phone's modem gets its driver and goes";
    }
    log = clean.tree.CallLog();
  }
  // Every call of the clean run, by operation and occurrence.
  std::map<std::string, int> occurrences;
  std::vector<std::pair<std::string, int>> calls;
  for (const std::string &operation : log)
    calls.emplace_back(operation, ++occurrences[operation]);
  ASSERT_GT(calls.size(), 30u);
  for (const char *operation : {"GetModuleFileNameA", "FileExists", "SetupDiGetINFClassA", "SetupDiCreateDeviceInfoA",
                                "SetupDiCallClassInstaller", "UpdateDriverForPlugAndPlayDevicesA", "SetupDiRemoveDevice",
                                "SetupDiDestroyDeviceInfoList", "SetupDiGetDeviceRegistryPropertyA"})
    EXPECT_GT(occurrences[operation], 0) << operation << " is not swept";

  int runs = 0;
  int failedRuns = 0;
  for (const auto &call : calls) {
    for (DWORD code : kCodes) {
      const Fault fault{call.first, call.second, code};
      SweepRun run(GetParam(), package, fault, false);
      ++runs;
      if (!CheckInvariants(run, fault) && ++failedRuns >= 10) {
        FAIL() << "stopping after " << failedRuns << " failing combinations";
      }
    }
  }
  EXPECT_EQ(runs, static_cast<int>(calls.size() * (sizeof kCodes / sizeof kCodes[0])));
}

TEST_P(FaultSweep, ARestartRequestIsTracedForEachInstallAndStillSucceeds) {
  const Fault none;
  SweepRun run(GetParam(), package, none, true);
  EXPECT_EQ(run.outcome, InstallOutcome::Success);
  EXPECT_TRUE(CheckInvariants(run, none));
  const std::vector<std::string> &texts = run.trace.texts;
  int restarts = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i] != kInstalled)
      continue;
    ASSERT_LT(i + 1, texts.size());
    EXPECT_EQ(texts[i + 1], "(Reboot Required)\n");
    ++restarts;
  }
  EXPECT_EQ(restarts, 3);
  EXPECT_EQ(CountText(texts, "(Reboot Required)\n"), 3);
}

std::vector<SweepParam> SweepParams() {
  std::vector<SweepParam> params;
  for (const Arrangement &arrangement : kArrangements)
    for (SimMode mode : {SimMode::Windows, SimMode::Wine})
      params.push_back({arrangement, mode});
  return params;
}

INSTANTIATE_TEST_SUITE_P(Arrangements, FaultSweep, ::testing::ValuesIn(SweepParams()),
                         [](const ::testing::TestParamInfo<SweepParam> &info) {
                           return std::string(info.param.arrangement.name) + "_" + ModeName(info.param.mode);
                         });

} // namespace
