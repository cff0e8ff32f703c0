// A randomized check of the whole automatic install over random device trees with random failing
// platform calls. Reproducible: each iteration's seed is printed on failure; set
// QUARVEL_PROPERTY_SEED (and QUARVEL_PROPERTY_ITERATIONS) to replay.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <sstream>

#include "InstallTestSupport.h"
#include "TraceRecorder.h"

using namespace quarveltest;

namespace {

const char kInstalled[] = "Driver Installed successfully.\n";

unsigned long EnvNumber(const char *name, unsigned long fallback) {
  const char *text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// One driver folder the executable may sit in, with the hardware-ID list each pass's INF gives.
struct Package {
  std::unique_ptr<TempInfDir> dir = std::make_unique<TempInfDir>();
  std::string name;
  std::vector<std::vector<std::string>> lists; // per pass; empty when the INF is missing
};

std::vector<Package> MakePackages() {
  std::vector<Package> packages;
  auto add = [&](const std::string &name, int missing, int broken, bool wideModemList) {
    Package p;
    p.name = name;
    for (int pass = 0; pass < 3; ++pass) {
      const KindInf &kind = kKindInfs[pass];
      std::vector<std::string> ids{kind.hardwareId};
      if (pass == 0 && wideModemList)
        ids.push_back("USB\\VID_05C6&PID_9018"); // matches every interface of the phone
      if (pass == missing) {
        p.lists.emplace_back();
        continue;
      }
      if (pass == broken)
        p.dir->Write(kind.fileName, "[" + std::string(kind.section) + "]\r\n%D%=I, " + kind.hardwareId + "\r\n");
      else
        p.dir->WriteKind(kind, ids);
      p.lists.push_back(ids);
    }
    packages.push_back(std::move(p));
  };
  add("complete", -1, -1, false);
  add("complete", -1, -1, false);
  add("complete, wide modem list", -1, -1, true);
  add("no Android INF", 2, -1, false);
  add("no modem INF", 0, -1, false);
  add("serial INF without a class", -1, 1, false);
  return packages;
}

const char *const kOperations[] = {
    "SetupDiGetClassDevsA",          "SetupDiCreateDeviceInfoList",        "SetupDiEnumDeviceInfo",
    "SetupDiCreateDeviceInfoA",      "SetupDiRemoveDevice",                "SetupDiDestroyDeviceInfoList",
    "SetupDiGetDeviceRegistryPropertyA", "SetupDiSetDeviceRegistryPropertyA", "SetupDiGetINFClassA",
    "SetupDiCallClassInstaller",     "UpdateDriverForPlugAndPlayDevicesA", "FileExists",
    "GetModuleFileNameA",
};
const DWORD kCodes[] = {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_DATA, ERROR_INSUFFICIENT_BUFFER,
                        ERROR_NO_MORE_ITEMS, ERROR_NO_SUCH_DEVINST,   0xE0000ABC};

struct Fault {
  std::string operation;
  int nth;
  DWORD code;
  bool every;
};

struct InitialDevice {
  std::string instanceId;
  std::string firstId; // empty: no hardware IDs
  bool present = true;
};

// Builds a random present-device tree; returns what it added.
std::vector<InitialDevice> AddRandomDevices(SimDeviceTree &tree, std::mt19937 &rng, std::ostringstream &story) {
  std::vector<InitialDevice> devices;
  const char *classes[] = {"USB", "Modem", "Ports"};
  const int count = static_cast<int>(rng() % 7);
  for (int i = 0; i < count; ++i) {
    const std::string kindId = kKindInfs[rng() % 3].hardwareId;
    const std::string className = classes[rng() % 3];
    InitialDevice d;
    std::vector<std::string> ids;
    switch (rng() % 8) {
    case 0: ids = {kindId}; break;
    case 1: {
      std::string lower = kindId;
      std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
      ids = {lower};
      break;
    }
    case 2: ids = {kindId + "&REV_0001", kindId}; break;
    case 3: ids = {"USB\\VID_1234&PID_" + std::to_string(1000 + rng() % 9000)}; break;
    case 4: break; // no hardware IDs
    case 5: ids = {"USB\\VID_1234&PID_0001", "USB\\VID_1234", kindId}; break;
    case 6: d.present = false; ids = {kindId}; break;
    default: ids = {kindId + "0"}; break;
    }
    if (!d.present)
      d.instanceId = tree.AddAbsentDevice(ids, className);
    else if (ids.empty())
      d.instanceId = tree.AddPresentDeviceWithoutIds(className);
    else
      d.instanceId = tree.AddPresentDevice(ids, className);
    d.firstId = ids.empty() ? "" : ids.front();
    story << (d.present ? " device[" : " absent[") << (ids.empty() ? "-" : d.firstId) << (ids.size() > 1 ? ",..." : "")
          << "]";
    devices.push_back(d);
  }
  return devices;
}

std::vector<Fault> AddRandomFaults(SimDeviceTree &tree, std::mt19937 &rng, std::ostringstream &story) {
  std::vector<Fault> faults;
  const int count = static_cast<int>(rng() % 4);
  for (int i = 0; i < count; ++i) {
    Fault f;
    f.operation = kOperations[rng() % (sizeof kOperations / sizeof kOperations[0])];
    f.nth = 1 + static_cast<int>(rng() % 8);
    f.code = kCodes[rng() % (sizeof kCodes / sizeof kCodes[0])];
    // A failing destroy keeps a set for good; once is enough to see that nothing else breaks.
    f.every = f.operation != "SetupDiDestroyDeviceInfoList" && rng() % 8 == 0;
    tree.FailCall(f.operation, f.nth, f.code, f.every);
    story << " fail[" << f.operation << " #" << f.nth << (f.every ? "+" : "") << " code " << f.code << "]";
    faults.push_back(f);
  }
  return faults;
}

bool Starts(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// The helper's own trace texts, without the INF values the reader traces.
std::vector<std::string> HelperTexts(const std::vector<std::string> &texts) {
  static const std::set<std::string> fixed = {
      "UpdateDriverForPlugAndPlayDevices", kInstalled, "(Reboot Required)\n", "GetClassDevs(All Present Devices)",
      "GetDeviceRegistryProperty", "EnumDeviceInfo", "GetINFClass fail", "CreateDeviceInfoList", "CreateDeviceInfo",
      "SetDeviceRegistryProperty", "CallClassInstaller(REGISTERDEVICE)", "CallClassInstaller(REMOVE)",
      "Hardware ID too long"};
  std::vector<std::string> kept;
  for (const std::string &t : texts)
    if (fixed.count(t) || Starts(t, "File not found:") || Starts(t, "Search for Device ID: [") ||
        Starts(t, "Compare device ID: [") || Starts(t, "Found! ["))
      kept.push_back(t);
  return kept;
}

// Reads the helper's texts as a sequence of installs, each in the order its steps run. Returns
// false (with why) when a text stands where none of its kind may; results gets each install's success.
bool ParseInstalls(const std::vector<std::string> &texts, bool rebootExpected, std::vector<bool> &results,
                   std::string &why) {
  size_t i = 0;
  auto at = [&](const std::string &text) { return i < texts.size() && texts[i] == text; };
  auto fail = [&](const std::string &what) {
    why = what + " at text " + std::to_string(i) + (i < texts.size() ? ": " + texts[i] : ": end");
    return false;
  };
  auto success = [&]() {
    if (!at(kInstalled))
      return false;
    ++i;
    if (at("(Reboot Required)\n"))
      ++i;
    else if (rebootExpected)
      return false;
    return true;
  };
  while (i < texts.size()) {
    if (Starts(texts[i], "File not found:")) {
      ++i;
      results.push_back(false);
      continue;
    }
    bool found = false;
    if (at("GetClassDevs(All Present Devices)")) {
      ++i;
    } else if (Starts(texts[i], "Search for Device ID: [")) {
      const std::string id = texts[i].substr(23);
      ++i;
      // A property read that failed either skipped its device or ended the search.
      std::string lastCompared;
      while (i < texts.size() && (Starts(texts[i], "Compare device ID: [") || at("GetDeviceRegistryProperty")))
        lastCompared = at("GetDeviceRegistryProperty") ? "" : texts[i].substr(20), ++i;
      if (i < texts.size() && Starts(texts[i], "Found! [")) {
        if (texts[i].substr(8) != id || lastCompared != id)
          return fail("found an ID other than the one searched and compared");
        found = true;
        ++i;
      } else if (at("EnumDeviceInfo")) {
        ++i;
      } else if (i == 0 || texts[i - 1] != "GetDeviceRegistryProperty") {
        return fail("a search that does not end");
      }
    } else {
      return fail("an install that starts with neither the file check nor the search");
    }

    if (found) {
      if (at("UpdateDriverForPlugAndPlayDevices")) {
        ++i;
        results.push_back(false);
      } else if (success()) {
        results.push_back(true);
      } else {
        return fail("a found device without an update result");
      }
      continue;
    }
    static const char *const rootFailures[] = {"Hardware ID too long",     "GetINFClass fail",
                                               "CreateDeviceInfoList",     "CreateDeviceInfo",
                                               "SetDeviceRegistryProperty", "CallClassInstaller(REGISTERDEVICE)"};
    bool failed = false;
    for (const char *text : rootFailures)
      if (at(text)) {
        ++i;
        failed = true;
        break;
      }
    if (!failed && at("UpdateDriverForPlugAndPlayDevices")) {
      ++i;
      if (at("CallClassInstaller(REMOVE)"))
        ++i;
      failed = true;
    }
    if (failed)
      results.push_back(false);
    else if (success())
      results.push_back(true);
    else
      return fail("a new node without a result");
  }
  return true;
}

bool MatchesAnyList(const Package &package, const std::string &deviceId) {
  for (const std::vector<std::string> &list : package.lists) {
    CStringArray entries;
    for (const std::string &id : list)
      entries.Add(id.c_str());
    if (MatchHardwareId(entries, deviceId.c_str()))
      return true;
  }
  return false;
}

TEST(InstallProperty, RandomTreesAndFailuresKeepTheInstallsInvariants) {
  const unsigned long baseSeed = EnvNumber("QUARVEL_PROPERTY_SEED", 20250115);
  const unsigned long iterations = EnvNumber("QUARVEL_PROPERTY_ITERATIONS", 300);
  const std::vector<Package> packages = MakePackages();
  int successes = 0;
  int failures = 0;

  for (unsigned long n = 0; n < iterations && !::testing::Test::HasFailure(); ++n) {
    const unsigned long seed = baseSeed + n;
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    std::ostringstream story;
    const SimMode mode = rng() % 2 ? SimMode::Wine : SimMode::Windows;
    const Package &package = packages[rng() % packages.size()];
    story << ModeName(mode) << ", " << package.name << ";";

    HookedTree tree(mode);
    ScopedPlatform platform(tree);
    TraceRecorder trace;
    RecordingView view;
    CInstallerCore core(view);
    tree.SetModuleFileName(package.dir->ExePath());
    const bool reboot = rng() % 4 == 0;
    tree.SetRebootRequired(reboot);
    const std::vector<InitialDevice> initial = AddRandomDevices(tree, rng, story);
    const std::vector<Fault> faults = AddRandomFaults(tree, rng, story);
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + story.str());

    const InstallOutcome outcome = core.RunAutomaticInstall();

    // Every set is released once; only a failed release may keep one.
    int failedDestroys = 0;
    for (const Fault &f : faults)
      if (f.operation == "SetupDiDestroyDeviceInfoList" && tree.CallCount(f.operation) >= f.nth)
        ++failedDestroys;
    EXPECT_EQ(tree.DoubleDestroyCount(), 0);
    EXPECT_LE(tree.OpenSetCount(), 1 + failedDestroys);
    EXPECT_EQ(view.begins, view.ends);
    EXPECT_FALSE(core.IsBusy());

    // Only a device that a scan matched, or a node this install created, is removed.
    for (const std::string &removed : tree.RemovedInstanceIds()) {
      const auto was = std::find_if(initial.begin(), initial.end(),
                                    [&](const InitialDevice &d) { return d.instanceId == removed; });
      if (was == initial.end()) {
        EXPECT_TRUE(Starts(removed, "ROOT\\")) << removed;
        continue;
      }
      EXPECT_FALSE(was->firstId.empty()) << removed;
      EXPECT_TRUE(MatchesAnyList(package, was->firstId)) << removed;
      if (mode == SimMode::Windows) {
        EXPECT_TRUE(was->present) << removed;
      }
    }

    // A new node without its driver stays only when its removal failed as well.
    int nodesWithoutDriver = 0;
    for (const SimDevice &device : tree.Devices())
      if (device.createdByRoot && device.installedInf.empty())
        ++nodesWithoutDriver;
    EXPECT_LE(nodesWithoutDriver, CountText(trace.texts, "CallClassInstaller(REMOVE)"));

    // The trace tells each install's steps in order, and the outcome follows the installs.
    std::vector<bool> installs;
    std::string why;
    EXPECT_TRUE(ParseInstalls(HelperTexts(trace.texts), reboot, installs, why)) << why;
    EXPECT_LE(installs.size(), 3u);
    const bool allInstalled = installs.size() == 3 && std::count(installs.begin(), installs.end(), true) == 3;
    EXPECT_EQ(outcome == InstallOutcome::Success, allInstalled);
    EXPECT_NE(outcome, InstallOutcome::Ignored);
    if (faults.empty() && package.name == "complete") {
      EXPECT_EQ(outcome, InstallOutcome::Success);
    }
    (outcome == InstallOutcome::Success ? successes : failures)++;
  }
  // Both outcomes must have been reached for the run to say anything.
  if (iterations >= 100) {
    EXPECT_GT(successes, 0);
    EXPECT_GT(failures, 0);
  }
}

} // namespace
