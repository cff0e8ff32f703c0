// One full automatic install, run again for every platform call that a clean run makes, with that
// one call failing (once per error code that matters); then the same install over damaged and
// extreme input. After each run the checks that must hold whatever happens: no unrelated device
// removed, every set released once, an outcome that tells the truth, and a trace that names the
// step that failed and asks for the restart after each install that needs one.

#include <gtest/gtest.h>

#include <set>

#include "InstallTestSupport.h"
#include "platform/CodePage.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

// The call whose failure a trace text reports, or "".
std::string FailedCall(const std::string &text) {
  for (const auto &step : kStepTexts)
    if (text == step.second || (step.first == "FileExists" && text.rfind(step.second, 0) == 0))
      return step.first;
  return "";
}

struct SweepParam {
  bool phonePresent; // and a restart asked for by every driver update
  SimMode mode;
};

// One automatic install on a fresh tree, arranged the same way every time, with one call failing,
// and its checks.
struct SweepRun : Dialog {
  SweepRun(SweepParam param, const TempInfDir &package, const std::string &operation = "", int nth = 0,
           DWORD code = 0)
      : Dialog(param.mode, package.ExePath()) {
    tree.SetRebootRequired(param.phonePresent);
    unrelated.push_back(tree.AddPresentDevice({"USB\\VID_1234&PID_0001"}));
    if (param.phonePresent) {
      unrelated.push_back(tree.AddPresentDeviceWithoutIds());
      phone.push_back(tree.AddPresentDevice({kModemId, "USB\\VID_05C6&PID_9018"}, "Modem"));
      // Close to the phone's IDs, but listed by none of the INFs (the scan reads first IDs only).
      unrelated.push_back(tree.AddPresentDevice({"USB\\VID_05C6&PID_9018&MI_0", kModemId}, "Modem"));
      unrelated.push_back(tree.AddPresentDevice({"USB\\VID_05C6&PID_9019&MI_01"}));
    }
    if (!operation.empty())
      tree.FailCall(operation, nth, code);
    outcome = core.RunAutomaticInstall();

    const std::string what = operation + " #" + std::to_string(nth) + " failing with " + std::to_string(code);
    const std::vector<std::string> &texts = trace.texts;
    ExpectSafe(outcome, what, operation == "SetupDiDestroyDeviceInfoList" ? 1 : 0);
    // A node of ours stays with its driver only when the rescan or the removal step was what failed.
    int withDriver = 0;
    for (const SimDevice &node : RootNodes(tree))
      withDriver += !node.installedInf.empty();
    EXPECT_LE(withDriver, kRescanAndRemovalCalls.count(operation) ? 1 : 0) << what;
    // Each installing step ends in one word: installed, or the failure of the call made to fail.
    const int installed = CountText(texts, kInstalled);
    std::vector<std::string> failed;
    for (const std::string &text : texts)
      if (!FailedCall(text).empty())
        failed.push_back(FailedCall(text));
    EXPECT_EQ(installed + static_cast<int>(failed.size()), operation == "GetModuleFileNameA" ? 0 : 3) << what;
    EXPECT_TRUE(failed.empty() || failed == std::vector<std::string>{operation}) << what << ": " << failed[0];
    int restartsAfterInstalls = 0;
    for (size_t i = 1; i < texts.size(); ++i)
      restartsAfterInstalls += texts[i - 1] == kInstalled && texts[i] == "(Reboot Required)\n";
    EXPECT_EQ(CountText(texts, "(Reboot Required)\n"), restartsAfterInstalls) << what;
    EXPECT_EQ(restartsAfterInstalls, param.phonePresent ? installed : 0) << what;
    if (outcome == InstallOutcome::Success) {
      EXPECT_EQ(std::set<std::string>(tree.forcedInfs.begin(), tree.forcedInfs.end()).size(), 3u) << what;
    }
  }
  InstallOutcome outcome = InstallOutcome::Ignored;
};

class FaultSweep : public ::testing::TestWithParam<SweepParam> {};

TEST_P(FaultSweep, EveryCallOfACleanRunFailingInTurn) {
  TempInfDir package;
  package.WriteAllKinds();
  const SweepRun clean(GetParam(), package);
  ASSERT_EQ(clean.outcome, InstallOutcome::Success);
  EXPECT_TRUE(RootNodes(clean.tree).empty());
  for (const std::string &id : clean.phone)
    EXPECT_EQ(clean.tree.FindDevice(id), nullptr) << "the phone's modem gets its driver and goes";
  EXPECT_EQ(CountText(clean.trace.texts, "Found! ["s + kModemId + "\n]\n"), clean.phone.size());
  std::map<std::string, int> occurrences;
  for (const std::string &operation : clean.tree.CallLog()) {
    const int nth = ++occurrences[operation];
    for (DWORD code : kCodes)
      if (!HasFailure()) // the first failing combination says enough
        SweepRun(GetParam(), package, operation, nth, code);
  }
  EXPECT_EQ(occurrences.size(), 13u) << "every kind of call is swept";
}

INSTANTIATE_TEST_SUITE_P(Arrangements, FaultSweep,
                         ::testing::Values(SweepParam{false, SimMode::Windows}, SweepParam{false, SimMode::Wine},
                                           SweepParam{true, SimMode::Windows}, SweepParam{true, SimMode::Wine}),
                         [](const auto &info) {
                           return std::string(info.param.phonePresent ? "Phone_" : "NoPhone_") + ModeName(info.param.mode);
                         });

// Damaged or extreme input to one full install: the devices around and the folder the executable
// sits in (below the package), and what must come of it.
struct HostileCase {
  const char *name;
  std::function<void(Dialog &)> arrange; // devices beyond an unrelated one
  InstallOutcome windows, wine;          // the outcome in each simulation
  int newNodes;                          // nodes created
  int skipped = 0;                       // devices the helper's searches skip, with a trace
  std::string folder = "";               // below the package, in the ANSI code page
  bool utf16 = false;                    // the INFs in UTF-16LE
};

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
    {"UTF-16LE", NoDevices, kOk, kOk, 3, 0, "", true},
    // An ID over the largest property size: each search skips the device and goes on; one of just
    // that size is read.
    {"odd devices before the phone",
     [](Dialog &d) {
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string(2 << 20, 'A')}));
       d.unrelated.push_back(d.tree.AddPresentDevice({std::string((1 << 20) - 2, 'B')}));
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
     },
     kOk, kOk, 2, 3},
    // Hardware-ID properties without their terminating zeros, the phone's modem among them.
    {"unterminated properties",
     [](Dialog &d) {
       for (const std::string &raw : {"USB\\VID_1234&PID_0002"s, std::string(2000, 'Z'), std::string(2001, 'Y'), ""s,
                                      "USB\\VID_1234&PID_0003\0USB\\X"s}) {
         d.unrelated.push_back(d.tree.AddPresentDevice({"USB\\UNREAD"}));
         d.tree.rawIds[d.unrelated.back()] = raw;
       }
       d.phone.push_back(d.tree.AddPresentDevice({kModemId}, "Modem"));
       d.tree.rawIds[d.phone.back()] = kModemId;
     },
     kOk, kOk, 2},
    // With its two zeros the property fits the scan's 2000-byte buffer up to 1998 bytes: then the
    // modem is matched, and Windows refuses an update by an ID longer than a device ID may be.
    {"modem ID of 1998 bytes", LongModem(1998), kFailed, kOk, 2},
    {"modem ID of 1999 bytes", LongModem(1999), kOk, kOk, 3},
    // A trail byte with the backslash's code is no separator.
    {"CP936 folder", NoDevices, kOk, kOk, 3, 0, "\xB5\x5C"},
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
      ASSERT_TRUE(c.folder.empty() || CreateDirectoryA(folder.c_str(), nullptr));
#endif
      std::vector<std::string> paths;
      for (const KindInf &kind : kKindInfs) {
        const std::string text = InfText(kind, {kind.hardwareId});
        paths.push_back(package.Write((c.folder.empty() ? "" : c.folder + "\\") + kind.fileName,
                                      c.utf16 ? Utf16Le(std::u16string(text.begin(), text.end())) : text));
      }
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
