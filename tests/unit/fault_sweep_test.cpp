// One full automatic install over each arrangement of devices, damaged and extreme ones
// among them; the plain arrangements run again for every platform call that a clean run makes, with
// that one call failing (once per error code that matters). After each run the checks that must hold
// whatever happens: no unrelated device removed, every set released once, an outcome that tells the
// truth, and a trace that names the step that failed and asks for the restart after each install
// that needs one.

#include <set>

#include "InstallTestSupport.h"

using namespace quarveltest;

namespace {

using namespace std::string_literals;

// The helper's trace of each failing step of an install (a missing file's goes on with the path).
const std::map<std::string, std::string> kStepTexts = {
    {"FileExists", "File not found:"},
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
const std::string kNeeds64BitBuild =
    "Quarvel64.exe is needed: on 64-bit Windows only a 64-bit program installs drivers\n";
// The phone's modem, in other letter case than the INF lists it.
const char kPhoneModemId[] = "usb\\vid_05c6&pid_9018&mi_02";
const InstallVerdict kOk = InstallVerdict::Success, kFailed = InstallVerdict::Failure;

// The call whose failure a trace text reports, or "".
std::string FailedCall(const std::string &text) {
  for (const auto &step : kStepTexts)
    if (text == step.second || (step.first == "FileExists" && text.rfind(step.second, 0) == 0))
      return step.first;
  return "";
}

// The devices around one full install beyond an unrelated one, and what must come of a run without faults.
struct Arrangement {
  const char *name;
  std::function<void(Dialog &)> arrange;
  bool swept = false;                       // run again with each call of its clean run failing
  bool restart = false;                     // every driver update asks for a restart
  InstallVerdict windows = kOk, wine = kOk; // the outcome in each simulation
  int newNodes = 3;                         // nodes created
  int skipped = 0;                          // devices the helper's searches skip, with a trace
};

const Arrangement kArrangements[] = {
    {"NoPhone", [](Dialog &) {}, true},
    // The phone's modem among devices close to the phone's IDs that none of the INFs lists (the scan
    // reads first IDs only).
    {"Phone",
     [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDeviceWithoutIds());
       d.phone.push_back(d.tree.AddPresentDevice({kPhoneModemId, "USB\\VID_05C6&PID_9018"}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0", kModemId}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\VID_05C6&PID_9019&MI_01"}));
     },
     true, true, kOk, kOk, 2},
    // An ID over the largest property size: each search skips the device and goes on; one of just
    // that size is read.
    {"OddDevicesBeforeThePhone",
     [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string(2 << 20, 'A')}));
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string((1 << 20) - 2, 'B')}));
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
     },
     false, false, kOk, kOk, 2, 3},
    // Hardware-ID properties without their terminating zeros, the phone's modem among them. The empty
    // one has no size to ask for: the helper's three searches skip it.
    {"UnterminatedProperties",
     [](Dialog &d) {
       for (const std::string &raw : {"USB\\VID_1234&PID_0002"s, std::string(2000, 'Z'), std::string(2001, 'Y'), ""s,
                                      "USB\\VID_1234&PID_0003\0USB\\X"s}) {
         d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\UNREAD"}));
         d.tree.SetRawHardwareIds(d.unrelated.back(), raw);
       }
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
       d.tree.SetRawHardwareIds(d.phone.back(), kModemId);
     },
     false, false, kOk, kOk, 2, 3},
    // Present modems with long first IDs: the INF's ID followed by a separator. With its two zeros the
    // property fits the scan's 2000-byte buffer up to 1998 bytes: only that modem is matched (though the
    // scan takes the last match) and goes, and Windows refuses an update by an ID that long.
    {"ModemIdsOf1998And1999Bytes",
     [](Dialog &d) {
       d.phone.push_back(d.tree.AddPresentDevice({kModemId + "&"s + std::string(1998 - 28, 'L')}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({kModemId + "&"s + std::string(1999 - 28, 'L')}, "Modem"));
     },
     false, false, kFailed, kOk, 2},
};

// One automatic install on a fresh tree, arranged the same way every time, with one call failing,
// and its checks.
struct SweepRun : Dialog {
  SweepRun(const Arrangement &arrangement, SimMode mode, const std::string &exePath, const std::string &operation = "",
           int nth = 0, DWORD code = 0)
      : Dialog(mode, exePath) {
    tree.SetRebootRequired(arrangement.restart);
    unrelated.push_back(tree.AddPresentDevice({"USB\\VID_1234&PID_0001"}));
    arrangement.arrange(*this);
    if (!operation.empty())
      tree.FailCall(operation, nth, code);
    outcome = core.RunAutomaticInstall();

    const std::string what = operation + " #" + std::to_string(nth) + " failing with " + std::to_string(code);
    const std::vector<std::string> &texts = trace.texts;
    // A node of ours stays with its driver only when the rescan or the removal step was what failed.
    ExpectSafe(outcome.Verdict(), what, operation == "SetupDiDestroyDeviceInfoList" ? 1 : 0,
               kRescanAndRemovalCalls.count(operation) ? 1 : 0);
    // Each installing step ends in one word: installed, or the failure of a call (the one made to fail).
    const int installed = CountText(texts, kInstalled);
    // Only a step that failed for want of a 64-bit process names the program needed, right after its word.
    std::vector<std::string> failed;
    for (size_t i = 0; i < texts.size(); ++i)
      if (const std::string call = FailedCall(texts[i]); !call.empty()) {
        failed.push_back(call);
        const bool namesTheProgram = i + 1 < texts.size() && texts[i + 1] == kNeeds64BitBuild;
        EXPECT_TRUE(call == "FileExists" || namesTheProgram == (code == ERROR_IN_WOW64)) << what;
      }
    EXPECT_TRUE(code == ERROR_IN_WOW64 || CountText(texts, kNeeds64BitBuild) == 0) << what;
    EXPECT_EQ(installed + static_cast<int>(failed.size()), operation == "GetModuleFileNameA" ? 0 : 3) << what;
    EXPECT_LE(failed.size(), 1u) << what;
    EXPECT_TRUE(operation.empty() || failed.empty() || failed[0] == operation) << what << ": " << failed[0];
    // The outcome tells what the trace tells: the failed call's code, and the restart asked for.
    for (const PassResult &pass : outcome.passes)
      if (!operation.empty() && !pass.install.Succeeded() && FailedCall(pass.install.failedStep) == operation) {
        EXPECT_EQ(pass.install.code, code) << what << ": " << pass.install.failedStep;
      }
    EXPECT_EQ(outcome.RestartNeeded(), arrangement.restart && installed > 0) << what;
    int restartsAfterInstalls = 0;
    for (size_t i = 1; i < texts.size(); ++i)
      restartsAfterInstalls += texts[i - 1] == kInstalled && texts[i] == "(Reboot Required)\n";
    EXPECT_EQ(CountText(texts, "(Reboot Required)\n"), restartsAfterInstalls) << what;
    EXPECT_EQ(restartsAfterInstalls, arrangement.restart ? installed : 0) << what;
  }
  InstallOutcome outcome;
};

class FaultSweep : public ::testing::TestWithParam<std::tuple<int, SimMode>> {};

TEST_P(FaultSweep, ACleanRunThenEveryCallOfItFailingInTurn) {
  const Arrangement &arrangement = kArrangements[std::get<0>(GetParam())];
  const SimMode mode = std::get<1>(GetParam());
  TempInfDir package;
  const std::vector<std::string> paths = package.WriteAllKinds();
  const SweepRun clean(arrangement, mode, package.ExePath());
  EXPECT_EQ(clean.outcome.Verdict(), mode == SimMode::Windows ? arrangement.windows : arrangement.wine);
  EXPECT_EQ(clean.tree.CallCount("SetupDiCreateDeviceInfoA"), arrangement.newNodes);
  EXPECT_EQ(CountText(clean.trace.texts, "GetDeviceRegistryProperty"), arrangement.skipped);
  for (const std::string &id : clean.phone)
    EXPECT_EQ(clean.tree.FindDevice(id), nullptr) << "the phone's device gets its driver and goes";
  EXPECT_TRUE(clean.outcome.Verdict() != kOk || clean.tree.forcedInfs == paths) << "each driver from its full path";
  if (!arrangement.swept || HasFailure())
    return;
  // The helper's search for the matched modem is traced by its start and by its find.
  EXPECT_EQ(CountText(clean.trace.texts, "Search for Device ID: ["s + kPhoneModemId + "\n]\n"), clean.phone.size());
  EXPECT_EQ(CountText(clean.trace.texts, "Found! ["s + kPhoneModemId + "\n]\n"), clean.phone.size());
  // A matched device gets one plain update with its own ID before the forced one.
  const std::string modem = clean.phone.empty() ? kModemId : kPhoneModemId;
  const std::vector<std::pair<DWORD, std::string>> updates = {
      {0, modem}, {INSTALLFLAG_FORCE, modem}, {INSTALLFLAG_FORCE, kSerialId}, {INSTALLFLAG_FORCE, kAdbId}};
  EXPECT_EQ(clean.tree.updates, decltype(updates)(updates.begin() + clean.phone.empty(), updates.end()));
  std::map<std::string, int> occurrences;
  for (const std::string &operation : clean.tree.CallLog()) {
    const int nth = ++occurrences[operation];
    for (DWORD code : kCodes)
      if (!HasFailure()) // the first failing combination says enough
        SweepRun(arrangement, mode, package.ExePath(), operation, nth, code);
  }
  EXPECT_EQ(occurrences.size(), 13u) << "every kind of call is swept";
}

const auto kRuns = ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kArrangements))),
                                      ::testing::Values(SimMode::Windows, SimMode::Wine));
INSTANTIATE_TEST_SUITE_P(Arrangements, FaultSweep, kRuns, [](const auto &info) {
  return kArrangements[std::get<0>(info.param)].name + "_"s + ModeName(std::get<1>(info.param));
});

} // namespace
