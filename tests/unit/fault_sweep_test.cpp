// One full automatic install, run again for every platform call that a clean run makes, with that
// one call failing (once per error code that matters), and once with a restart requested; then the
// same install over damaged and extreme input. After each run the checks that must hold whatever
// happens: no unrelated device removed, every set released once, an outcome that tells the truth,
// and a trace that names the step that failed.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "InstallTestSupport.h"
#include "platform/CodePage.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace quarveltest;

namespace {

using namespace std::string_literals;

// The helper's trace of each failing step of a new node's install.
const std::map<std::string, std::string> kStepTexts = {
    {"SetupDiGetINFClassA", "GetINFClass fail"},
    {"SetupDiCreateDeviceInfoList", "CreateDeviceInfoList"},
    {"SetupDiCreateDeviceInfoA", "CreateDeviceInfo"},
    {"SetupDiSetDeviceRegistryPropertyA", "SetDeviceRegistryProperty"},
    {"SetupDiCallClassInstaller", "CallClassInstaller(REGISTERDEVICE)"},
    {"UpdateDriverForPlugAndPlayDevicesA", "UpdateDriverForPlugAndPlayDevices"},
};
// Calls whose failure may keep the pass from finding and removing the node it just installed.
const std::set<std::string> kRescanAndRemovalCalls = {"SetupDiGetINFClassA", "SetupDiGetClassDevsA",
                                                      "SetupDiEnumDeviceInfo", "SetupDiGetDeviceRegistryPropertyA",
                                                      "SetupDiRemoveDevice"};
const DWORD kCodes[] = {ERROR_ACCESS_DENIED, ERROR_IN_WOW64, ERROR_NO_SUCH_DEVINST};
// What follows the word of a step that failed for want of a 64-bit process.
const std::string kNeeds64BitBuild =
    "Quarvel64.exe is needed: on 64-bit Windows only a 64-bit program installs drivers\n";

struct SweepParam {
  bool phonePresent;
  SimMode mode;
};

// One automatic install on a fresh tree, arranged the same way every time, with one call failing.
struct SweepRun : Dialog {
  SweepRun(const SweepParam &param, const TempInfDir &package, const std::string &operation, int nth, DWORD code,
           bool reboot)
      : Dialog(param.mode, package.ExePath()) {
    tree.SetRebootRequired(reboot);
    unrelated.push_back(tree.AddPresentDevice({"USB\\VID_1234&PID_0001"}));
    if (param.phonePresent) {
      unrelated.push_back(tree.AddPresentDeviceWithoutIds());
      phone.push_back(tree.AddPresentDevice({kModemId, "USB\\VID_05C6&PID_9018"}, "Modem"));
      // Close to the phone's IDs, but listed by none of the INFs.
      unrelated.push_back(tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0", kModemId}, "Modem"));
      unrelated.push_back(tree.AddPresentDevice({"USB\\VID_05C6&PID_9019&MI_01"}));
    }
    if (!operation.empty())
      tree.FailCall(operation, nth, code);
    outcome = core.RunAutomaticInstall();
  }
  InstallOutcome outcome = InstallOutcome::Ignored;
};

int FailedParts() { return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

// The checks of one run; false when one failed.
bool CheckSweepRun(const SweepRun &run, const std::string &operation, DWORD code, const std::string &what) {
  const int partsBefore = FailedParts();
  const std::vector<std::string> &texts = run.trace.texts;
  run.ExpectSafe(run.outcome, what, operation == "SetupDiDestroyDeviceInfoList" ? 1 : 0);
  // A node of ours stays with its driver only when the rescan or the removal step was what failed.
  int withDriver = 0;
  for (const SimDevice &node : RootNodes(run.tree))
    withDriver += !node.installedInf.empty();
  EXPECT_LE(withDriver, kRescanAndRemovalCalls.count(operation) ? 1 : 0) << what;
  // Each installing step ends in one word: installed, or the failure of the call made to fail.
  std::vector<std::string> failures;
  for (size_t i = 0; i < texts.size(); ++i) {
    bool stepFailed = false;
    for (const auto &step : kStepTexts)
      stepFailed = stepFailed || texts[i] == step.second;
    if (stepFailed || texts[i].rfind("File not found:", 0) == 0)
      failures.push_back(texts[i]);
    if (stepFailed) {
      EXPECT_EQ(i + 1 < texts.size() && texts[i + 1] == kNeeds64BitBuild, code == ERROR_IN_WOW64) << what;
    }
  }
  if (code != ERROR_IN_WOW64) {
    EXPECT_EQ(CountText(texts, kNeeds64BitBuild), 0) << what;
  }
  EXPECT_EQ(CountText(texts, kInstalled) + static_cast<int>(failures.size()), operation == "GetModuleFileNameA" ? 0 : 3)
      << what;
  EXPECT_LE(failures.size(), 1u) << what;
  for (const std::string &text : failures)
    EXPECT_TRUE(operation == "FileExists" ? text.rfind("File not found:", 0) == 0
                                        : kStepTexts.count(operation) && kStepTexts.at(operation) == text)
        << what << ": traced " << text;
  if (run.outcome == InstallOutcome::Success) {
    EXPECT_EQ(std::set<std::string>(run.tree.forcedInfs.begin(), run.tree.forcedInfs.end()).size(), 3u) << what;
  }
  return FailedParts() == partsBefore;
}

class FaultSweep : public ::testing::TestWithParam<SweepParam> {
protected:
  FaultSweep() { package.WriteAllKinds(); }
  TempInfDir package;
};

TEST_P(FaultSweep, EveryCallOfACleanRunFailingInTurn) {
  std::vector<std::pair<std::string, int>> calls;
  {
    SweepRun clean(GetParam(), package, "", 0, 0, false);
    ASSERT_EQ(clean.outcome, InstallOutcome::Success);
    ASSERT_TRUE(CheckSweepRun(clean, "", 0, "no fault"));
    EXPECT_TRUE(RootNodes(clean.tree).empty());
    for (const std::string &id : clean.phone)
      EXPECT_EQ(clean.tree.FindDevice(id), nullptr) << "the phone's modem gets its driver and goes";
    EXPECT_EQ(CountText(clean.trace.texts, "Found! ["s + kModemId + "\n]\n"), clean.phone.size());
    std::map<std::string, int> occurrences;
    for (const std::string &operation : clean.tree.CallLog())
      calls.emplace_back(operation, ++occurrences[operation]);
    EXPECT_EQ(occurrences.size(), 13u) << "every kind of call is swept";
  }
  int failedRuns = 0;
  for (const auto &call : calls)
    for (DWORD code : kCodes) {
      SweepRun run(GetParam(), package, call.first, call.second, code, false);
      const std::string what = call.first + " #" + std::to_string(call.second) + " failing with " + std::to_string(code);
      if (!CheckSweepRun(run, call.first, code, what) && ++failedRuns >= 10)
        FAIL() << "stopping after " << failedRuns << " failing combinations";
    }
}

TEST_P(FaultSweep, ARestartRequestIsTracedAfterEachInstall) {
  SweepRun run(GetParam(), package, "", 0, 0, true);
  EXPECT_EQ(run.outcome, InstallOutcome::Success);
  EXPECT_TRUE(CheckSweepRun(run, "", 0, "restart"));
  const std::vector<std::string> &texts = run.trace.texts;
  EXPECT_EQ(CountText(texts, "(Reboot Required)\n"), 3);
  for (size_t i = 0; i + 1 < texts.size(); ++i)
    if (texts[i] == kInstalled) {
      EXPECT_EQ(texts[i + 1], "(Reboot Required)\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Arrangements, FaultSweep,
                         ::testing::Values(SweepParam{false, SimMode::Windows}, SweepParam{false, SimMode::Wine},
                                           SweepParam{true, SimMode::Windows}, SweepParam{true, SimMode::Wine}),
                         [](const ::testing::TestParamInfo<SweepParam> &info) {
                           return std::string(info.param.phonePresent ? "Phone_" : "NoPhone_") + ModeName(info.param.mode);
                         });

const std::string kMegabyte(1 << 20, 'h');

// Damaged or extreme input to one full install: each kind's INF text, the folder the executable
// sits in (below the package), the devices around, and what must come of it.
struct HostileCase {
  const char *name;
  std::function<std::string(const KindInf &)> inf; // the INF each kind gets
  std::function<void(Dialog &)> arrange;           // devices beyond an unrelated one
  InstallOutcome windows, wine;                    // the outcome in each simulation
  int newNodes;                                    // nodes created
  std::string folder = "";                         // below the package, in the ANSI code page
  int skipped = 0;                                 // devices the helper's searches skip, with a trace
};

std::string Plain(const KindInf &kind) { return InfText(kind, {kind.hardwareId}); }
void NoDevices(Dialog &) {}
const InstallOutcome kOk = InstallOutcome::Success, kFailed = InstallOutcome::Failure;

// A present modem with a long first ID: the INF's ID followed by a separator. Only an ID the scan
// can read is matched, so only that modem goes.
std::function<void(Dialog &)> LongModem(size_t length) {
  return [length](Dialog &d) {
    (length <= 1998 ? d.phone : d.unrelated)
        .push_back(d.tree.AddPresentDevice({kModemId + "&"s + std::string(length - 28, 'L')}, "Modem"));
  };
}

const HostileCase kHostileCases[] = {
    {"UTF-16LE",
     [](const KindInf &k) {
       const std::string plain = Plain(k);
       return Utf16Le(std::u16string(plain.begin(), plain.end()));
     },
     NoDevices, kOk, kOk, 3},
    {"malformed class GUID",
     [](const KindInf &k) { return InfText(k, {k.hardwareId}, {}, "{6F37739D-2FBD-4557-B463-15A74F02AG48}"); },
     NoDevices, kFailed, kFailed, 0},
    // Before the first NUL these values are empty or short; matched on that head they would take in
    // the unrelated devices. The driver goes onto a node of the fallback ID, which no value names.
    {"NUL bytes in values",
     [](const KindInf &k) {
       return InfText(k, {"\0"s + k.hardwareId, std::string(7, '\0'), "USB\0\0\0\0\0\0\0\0"s}, {k.hardwareId});
     },
     [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0"}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({"USB"}));
     },
     kOk, kOk, 3},
    {"1 MB comment, line and hardware ID",
     [](const KindInf &k) {
       std::string text = InfText(k, {k.hardwareId, kMegabyte});
       const std::string header = "["s + k.section + "]\r\n";
       return text.insert(text.find(header) + header.size(), ";" + kMegabyte + "\r\n" + kMegabyte + "\r\n");
     },
     NoDevices, kOk, kOk, 3},
    // An ID over the largest property size: each search skips the device and goes on.
    {"odd device before the phone", Plain,
     [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string(2 << 20, 'A')}));
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
     },
     kOk, kOk, 2, "", 3},
    // Hardware-ID properties without their terminating zeros, the phone's modem among them.
    {"unterminated properties", Plain,
     [](Dialog &d) {
       const std::string raws[] = {"USB\\VID_1234&PID_0002", std::string(2000, 'Z'), std::string(2001, 'Y'), "",
                                   "USB\\VID_1234&PID_0003\0USB\\X"s};
       for (const std::string &raw : raws) {
         const std::string first = "USB\\UNREAD" + std::to_string(d.tree.rawIds.size());
         d.tree.rawIds[first] = raw;
         d.unrelated.push_back(d.tree.AddPresentDevice({first}));
       }
       d.tree.rawIds[kModemId] = kModemId;
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
     },
     kOk, kOk, 2},
    // With its two zeros the property fits the scan's 2000-byte buffer up to 1998 bytes: then the
    // modem is matched, and Windows refuses an update by an ID longer than a device ID may be.
    {"modem ID of 1998 bytes", Plain, LongModem(1998), kFailed, kOk, 2},
    {"modem ID of 1999 bytes", Plain, LongModem(1999), kOk, kOk, 3},
    // A trail byte with the backslash's code is no separator.
    {"CP936 folder", Plain, NoDevices, kOk, kOk, 3, "\xB5\x5C"},
};

TEST(HostileInput, EachCaseEndsCleanlyInBothSimulations) {
  for (SimMode mode : {SimMode::Windows, SimMode::Wine})
    for (const HostileCase &c : kHostileCases) {
      SCOPED_TRACE(std::string(c.name) + ", " + ModeName(mode));
      if (!c.folder.empty() && !IsAnsiLeadByte(0xB5))
        continue;
      TempInfDir package;
      const std::string folder = c.folder.empty() ? package.Dir() : package.PathOf(c.folder);
#ifdef _WIN32
      if (!c.folder.empty()) {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
      }
#endif
      std::vector<std::string> paths;
      for (const KindInf &kind : kKindInfs)
        paths.push_back(package.Write((c.folder.empty() ? "" : c.folder + "\\") + kind.fileName, c.inf(kind)));
      Dialog dialog(mode, folder + "\\Quarvel.exe");
      dialog.unrelated.push_back(dialog.tree.AddPresentDevice({"USB\\VID_1234&PID_0001"}));
      c.arrange(dialog);
      const InstallOutcome expected = mode == SimMode::Windows ? c.windows : c.wine;
      EXPECT_EQ(dialog.core.RunAutomaticInstall(), expected);
      dialog.ExpectSafe(expected, c.name);
      EXPECT_EQ(dialog.tree.CallCount("SetupDiCreateDeviceInfoA"), c.newNodes);
      EXPECT_EQ(CountText(dialog.trace.texts, "GetDeviceRegistryProperty"), c.skipped);
      for (const std::string &id : dialog.phone)
        EXPECT_EQ(dialog.tree.FindDevice(id), nullptr) << "the phone's device gets its driver and goes";
      if (expected == kOk) {
        EXPECT_EQ(dialog.tree.forcedInfs, paths) << "each driver from its full path";
      }
    }
}

} // namespace
