// One full automatic install over each arrangement of devices, damaged and extreme ones
// among them; the plain arrangements run again for every platform call that a clean run makes, with
// that one call failing (once per error code that matters). After each run the checks that must hold
// whatever happens: no unrelated device removed, every set released once, an outcome that tells the
// truth, and a trace that names the step that failed and asks for the restart after each install
// that needs one.

#include <map>
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
// Any code takes the same way through the helper but ERROR_IN_WOW64, after which it names the program needed.
const struct { DWORD code; const char *name; } kCodes[] = {
    {.code = ERROR_ACCESS_DENIED, .name = "ERROR_ACCESS_DENIED"},
    {.code = ERROR_IN_WOW64, .name = "ERROR_IN_WOW64"},
};
const std::string kNeeds64BitBuild =
    "Quarvel64.exe is needed: on 64-bit Windows only a 64-bit program installs drivers\n";
const std::string kInstalled = "Driver Installed successfully.\n", kRestart = "(Reboot Required)\n";
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
    {.name = "NoPhone", .arrange = [](Dialog &) {}, .swept = true},
    // The phone's modem among devices close to the phone's IDs that none of the INFs lists (the scan
    // reads first IDs only).
    {.name = "Phone",
     .arrange = [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDeviceWithoutIds());
       d.phone.push_back(d.tree.AddPresentDevice({kPhoneModemId, "USB\\VID_05C6&PID_9018"}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0", kModemId}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\VID_05C6&PID_9019&MI_01"}));
     },
     .swept = true, .restart = true, .newNodes = 2},
    // Odd hardware-ID properties before the phone's modem, whose own property lacks its terminating zeros.
    // An ID over the largest property size: each of the helper's three searches skips the device and goes
    // on; one of just that size is read. Properties without their terminating zeros are read within their
    // size; the empty one has no size to ask for, and each search skips it too.
    {.name = "OddPropertiesBeforeThePhone",
     .arrange = [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string(2 << 20, 'A')}));
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string((1 << 20) - 2, 'B')}));
       for (const std::string &raw : {"USB\\VID_1234&PID_0002"s, std::string(2000, 'Z'), std::string(2001, 'Y'), ""s,
                                      "USB\\VID_1234&PID_0003\0USB\\X"s}) {
         d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\UNREAD"}));
         d.tree.SetRawHardwareIds(d.unrelated.back(), raw);
       }
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
       d.tree.SetRawHardwareIds(d.phone.back(), kModemId);
     },
     .newNodes = 2, .skipped = 6},
    // Present modems with long first IDs: the INF's ID followed by a separator. With its two zeros the
    // property fits the scan's 2000-byte buffer up to 1998 bytes: only that modem is matched (though the
    // scan takes the last match) and goes, and Windows refuses an update by an ID that long.
    {.name = "ModemIdsOf1998And1999Bytes",
     .arrange = [](Dialog &d) {
       d.phone.push_back(d.tree.AddPresentDevice({kModemId + "&"s + std::string(1998 - 28, 'L')}, "Modem"));
       d.unrelated.push_back(d.tree.AddPresentDevice({kModemId + "&"s + std::string(1999 - 28, 'L')}, "Modem"));
     },
     .windows = kFailed, .newNodes = 2},
};

// One automatic install over the dialog's fresh tree: the arrangement, then an unrelated device, with the
// nth call of the operation failing with that code (none in a clean run). Its outcome. The arrangement's
// devices come first: a search's fresh reader, with no buffer yet, meets a device without IDs or one
// over the size limit.
InstallOutcome RunArranged(Dialog &run, const Arrangement &arrangement, const std::string &operation = "",
                           int nth = 0, DWORD code = 0) {
  run.tree.SetRebootRequired(arrangement.restart);
  arrangement.arrange(run);
  run.unrelated.push_back(run.tree.AddPresentDevice({"USB\\VID_1234&PID_0001"}));
  if (!operation.empty())
    run.tree.FailCall(operation, nth, code);
  return run.core.RunAutomaticInstall();
}

// The checks every run must pass, with that operation failing with that code or, in a clean run, none;
// what names the run in the failure messages.
void ExpectWhatEveryRunKeeps(const Dialog &run, const InstallOutcome &outcome, const Arrangement &arrangement,
                             const std::string &what, const std::string &operation = "", DWORD code = 0) {
  SCOPED_TRACE(what);
  const HookedTree &tree = run.tree;
  const std::vector<std::string> &texts = run.trace.texts;
  // Every set released once, but one whose release failed; every wait cursor ended; nothing left running.
  EXPECT_EQ(tree.DoubleDestroyCount(), 0) << "sets released twice";
  EXPECT_EQ(tree.OpenSetCount(), operation == "SetupDiDestroyDeviceInfoList" ? 1 : 0) << "sets kept";
  EXPECT_EQ(run.view.begins, run.view.ends) << "wait cursors begun and ended";
  EXPECT_FALSE(run.core.IsBusy()) << "still busy after the run";
  // Nothing removed but the phone's devices and our own nodes (ROOT\).
  for (const std::string &id : run.unrelated)
    EXPECT_NE(tree.FindDevice(id), nullptr) << "unrelated device removed: " << id.substr(0, 60);
  std::vector<std::string> removedOthers;
  for (const std::string &removed : tree.RemovedInstanceIds())
    if (removed.rfind("ROOT\\", 0) != 0 && CountText(run.phone, removed) == 0)
      removedOthers.push_back(removed.substr(0, 60));
  EXPECT_EQ(removedOthers, std::vector<std::string>{});
  // A node of ours stays without its driver only when its removal failed and said so, and with its driver
  // only when the rescan or the removal step was what failed.
  int withDriver = 0, withoutDriver = 0;
  for (const SimDevice &node : tree.Devices())
    if (node.createdByRoot && node.installedInf.empty())
      ++withoutDriver;
    else if (node.createdByRoot)
      ++withDriver;
  EXPECT_LE(withoutDriver, CountText(texts, "CallClassInstaller(REMOVE)")) << "our nodes left without driver";
  EXPECT_LE(withDriver, kRescanAndRemovalCalls.count(operation) ? 1 : 0) << "our nodes left with their driver";
  std::vector<std::string> failed; // the calls whose failure is traced
  std::vector<bool> namedTheProgram; // for each of them but the file check: kNeeds64BitBuild right after it
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string call = FailedCall(texts[i]);
    if (!call.empty())
      failed.push_back(call);
    if (!call.empty() && call != "FileExists")
      namedTheProgram.push_back(i + 1 < texts.size() && texts[i + 1] == kNeeds64BitBuild);
  }
  // Each of the three installing steps (none without the program's own path, and so the driver folder)
  // ends in one word: installed, or the failure of a call, the one made to fail.
  const int installed = CountText(texts, kInstalled);
  EXPECT_EQ(static_cast<int>(tree.forcedInfs.size()), installed) << "installs traced without effect";
  EXPECT_EQ(outcome.Verdict(), installed == 3 ? kOk : kFailed) << installed << " of 3 drivers installed";
  EXPECT_EQ(installed + static_cast<int>(failed.size()), operation == "GetModuleFileNameA" ? 0 : 3) << "steps";
  EXPECT_LE(failed.size(), 1u) << "steps failed";
  if (!operation.empty()) {
    for (const std::string &call : failed)
      EXPECT_EQ(call, operation) << "a failure traced";
  }
  // Only a step that failed for want of a 64-bit process names the program needed, right after its word.
  EXPECT_EQ(namedTheProgram, std::vector<bool>(namedTheProgram.size(), code == ERROR_IN_WOW64))
      << "failures followed by the program needed";
  // Each install asks for the restart when the arrangement needs one, and only then.
  EXPECT_EQ(CountText(texts, kRestart), arrangement.restart ? installed : 0) << "restarts asked for";
  // The outcome tells what the trace tells: the failed call's code, and the restart asked for.
  for (const PassResult &pass : outcome.passes)
    if (!operation.empty() && !pass.install.Succeeded() && FailedCall(pass.install.failedStep) == operation) {
      EXPECT_EQ(pass.install.code, code) << "the code of " << pass.install.failedStep;
    }
  EXPECT_EQ(outcome.RestartNeeded(), arrangement.restart && installed > 0) << "the outcome's restart";
}

class FaultSweep : public ::testing::TestWithParam<std::tuple<int, SimMode>> {};

TEST_P(FaultSweep, ACleanRunThenEveryCallOfItFailingInTurn) {
  const Arrangement &arrangement = kArrangements[std::get<0>(GetParam())];
  const SimMode mode = std::get<1>(GetParam());
  TempInfDir package;
  const std::vector<std::string> paths = package.WriteAllKinds();
  Dialog clean(mode, package.ExePath());
  const InstallOutcome outcome = RunArranged(clean, arrangement);
  ExpectWhatEveryRunKeeps(clean, outcome, arrangement, "the clean run");
  EXPECT_EQ(outcome.Verdict(), mode == SimMode::Windows ? arrangement.windows : arrangement.wine);
  EXPECT_EQ(clean.tree.CallCount("SetupDiCreateDeviceInfoA"), arrangement.newNodes) << "nodes created";
  EXPECT_EQ(CountText(clean.trace.texts, "GetDeviceRegistryProperty"), arrangement.skipped) << "devices skipped";
  for (const std::string &id : clean.phone)
    EXPECT_EQ(clean.tree.FindDevice(id), nullptr) << "the phone's device gets its driver and goes: " << id;
  if (outcome.Verdict() == kOk) {
    EXPECT_EQ(clean.tree.forcedInfs, paths) << "each driver from its full path";
  }
  if (!arrangement.swept || HasFailure())
    return;
  // A matched modem gets one plain update with its own ID before the forced one; without a match, the
  // modem's new node gets the forced one by the INF's ID.
  using Updates = std::vector<std::pair<DWORD, std::string>>;
  Updates updates = clean.phone.empty() ? Updates{{INSTALLFLAG_FORCE, kModemId}}
                                        : Updates{{0, kPhoneModemId}, {INSTALLFLAG_FORCE, kPhoneModemId}};
  updates.insert(updates.end(), {{INSTALLFLAG_FORCE, kSerialId}, {INSTALLFLAG_FORCE, kAdbId}});
  EXPECT_EQ(clean.tree.updates, updates);
  std::map<std::string, int> callsSoFar;
  for (const std::string &operation : clean.tree.CallLog()) {
    const int nth = ++callsSoFar[operation];
    for (const auto &[code, codeName] : kCodes) {
      const std::string what = operation + " #" + std::to_string(nth) + " failing with " + codeName;
      Dialog run(mode, package.ExePath());
      const InstallOutcome faultedOutcome = RunArranged(run, arrangement, operation, nth, code);
      ExpectWhatEveryRunKeeps(run, faultedOutcome, arrangement, what, operation, code);
      if (HasFailure())
        return; // the first failing combination says enough
    }
  }
}

const auto kRuns = ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kArrangements))),
                                      ::testing::Values(SimMode::Windows, SimMode::Wine));
INSTANTIATE_TEST_SUITE_P(Arrangements, FaultSweep, kRuns, [](const auto &info) {
  return kArrangements[std::get<0>(info.param)].name + "_"s + ModeName(std::get<1>(info.param));
});

} // namespace
