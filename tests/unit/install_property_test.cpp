// A randomized check of the whole automatic install over random device trees with random failing
// platform calls. Reproducible: each iteration's seed is printed on failure; set
// QUARVEL_PROPERTY_SEED (and QUARVEL_PROPERTY_ITERATIONS) to replay.

#include <cstdlib>
#include <random>

#include "InstallTestSupport.h"

using namespace quarveltest;

namespace {

// One driver folder the executable may sit in, and every hardware ID its INFs list. Wide: the modem INF
// also lists the ID that every interface of the phone matches.
struct Package {
  Package(bool wide, bool noModem) {
    for (int pass = noModem ? 1 : 0; pass < 3; ++pass) {
      std::vector<std::string> ids{kKindInfs[pass].hardwareId};
      if (pass == 0 && wide)
        ids.push_back("USB\\VID_05C6&PID_9018");
      dir.WriteKind(kKindInfs[pass], ids);
      for (const std::string &id : ids)
        listed.Add(id.c_str());
    }
  }
  TempInfDir dir;
  CStringArray listed;
};

const DWORD kCodes[] = {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_DATA, ERROR_INSUFFICIENT_BUFFER,
                        ERROR_NO_MORE_ITEMS, ERROR_NO_SUCH_DEVINST,   0xE0000ABC};

// A random tree of devices near and far from the phone's IDs ("#" stands for the interface number of
// one of its kinds), each kept in dialog as a device that a scan may match (and so remove) or one that
// must stay.
void AddRandomDevices(Dialog &dialog, const Package &package, std::mt19937 &rng) {
  const std::string phone = "USB\\VID_05C6&PID_9018&MI_0#";
  const std::vector<std::string> shapes[] = {
      {phone}, {"usb\\vid_05c6&pid_9018&mi_0#"}, {phone + "&REV_0001", phone}, {"USB\\VID_1234&PID_9"}, {},
      {"USB\\VID_1234&PID_0001", "USB\\VID_1234", phone}, {phone + "0"}};
  const char *classes[] = {"USB", "Modem", "Ports"};
  for (int i = static_cast<int>(rng() % 7); i > 0; --i) {
    const char interface = "231"[rng() % 3];
    const char *className = classes[rng() % 3];
    std::vector<std::string> ids = shapes[rng() % std::size(shapes)];
    for (std::string &id : ids)
      std::replace(id.begin(), id.end(), '#', interface);
    const bool present = ids.empty() || rng() % 6 != 0;
    const std::string instanceId = !present ? dialog.tree.AddAbsentDevice(ids, className)
                                   : ids.empty() ? dialog.tree.AddPresentDeviceWithoutIds(className)
                                                 : dialog.tree.AddPresentDevice(ids, className);
    // Windows lists no absent device to a scan; Wine does.
    const bool matchable = !ids.empty() && MatchHardwareId(package.listed, ids[0].c_str()) &&
                           (present || dialog.tree.Mode() == SimMode::Wine);
    (matchable ? dialog.phone : dialog.unrelated).push_back(instanceId);
  }
}

TEST(InstallProperty, RandomTreesAndFailuresKeepTheInstallsInvariants) {
  const char *seedText = std::getenv("QUARVEL_PROPERTY_SEED"), *countText = std::getenv("QUARVEL_PROPERTY_ITERATIONS");
  const unsigned long baseSeed = seedText ? std::strtoul(seedText, nullptr, 10) : 20250115;
  const unsigned long iterations = countText ? std::strtoul(countText, nullptr, 10) : 300;
  const Package packages[] = {{false, false}, {true, false}, {false, true}}; // the first complete
  Dialog clean(SimMode::Windows, packages[0].dir.ExePath());
  clean.core.RunAutomaticInstall();
  const std::vector<std::string> operations = clean.tree.CallLog(); // the calls a clean run makes, as often
  int successes = 0;
  for (unsigned long n = 0; n < iterations && !::testing::Test::HasFailure(); ++n) {
    const unsigned long seed = baseSeed + n;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    const Package &package = packages[rng() % std::size(packages)];
    Dialog dialog(rng() % 2 ? SimMode::Wine : SimMode::Windows, package.dir.ExePath());
    dialog.tree.SetRebootRequired(rng() % 4 == 0);
    AddRandomDevices(dialog, package, rng);
    int failedDestroys = 0;
    const int faults = static_cast<int>(rng() % 4);
    for (int i = faults; i > 0; --i) {
      const std::string operation = operations[rng() % operations.size()];
      const int nth = 1 + static_cast<int>(rng() % 8);
      const DWORD code = kCodes[rng() % std::size(kCodes)];
      // A failing destroy keeps a set for good; once is enough to see that nothing else breaks.
      const bool every = operation != "SetupDiDestroyDeviceInfoList" && rng() % 8 == 0;
      dialog.tree.FailCall(operation, nth, code, every);
      failedDestroys += operation == "SetupDiDestroyDeviceInfoList";
    }
    const InstallVerdict outcome = dialog.core.RunAutomaticInstall().Verdict();
    dialog.ExpectSafe(outcome, "", 1 + failedDestroys, faults == 0 ? 0 : 3); // at most one node a pass
    EXPECT_TRUE(faults > 0 || &package != &packages[0] || outcome == InstallVerdict::Success);
    successes += outcome == InstallVerdict::Success;
  }
  // Both outcomes must have been reached for the run to say anything.
  EXPECT_TRUE(iterations < 100 || (successes > 0 && successes < static_cast<int>(iterations))) << successes;
}

} // namespace
