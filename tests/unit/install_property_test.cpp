// A randomized check of the whole automatic install over random device trees with random failing
// platform calls. Reproducible: each iteration's seed is printed on failure; set
// QUARVEL_PROPERTY_SEED (and QUARVEL_PROPERTY_ITERATIONS) to replay.

#include <cstdlib>
#include <random>

#include "InstallTestSupport.h"

using namespace quarveltest;

namespace {

// What a driver folder's modem INF lists: its own ID, that and also the ID that every interface of the
// phone matches, or nothing, as the INF is missing.
enum class ModemInf { OwnId, AlsoThePhonesId, Missing };

// One driver folder the executable may sit in, and every hardware ID its INFs list.
struct Package {
  Package(ModemInf modem) : modem(modem) {
    for (int pass = modem == ModemInf::Missing ? 1 : 0; pass < 3; ++pass) {
      std::vector<std::string> ids{kKindInfs[pass].hardwareId};
      if (pass == 0 && modem == ModemInf::AlsoThePhonesId)
        ids.push_back("USB\\VID_05C6&PID_9018");
      dir.WriteKind(kKindInfs[pass], ids);
      for (const std::string &id : ids)
        listed.Add(id.c_str());
    }
  }
  const ModemInf modem;
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
  const char interfaces[] = {'2', '3', '1'}; // the modem's, the serial port's, ADB's
  for (int i = static_cast<int>(rng() % 7); i > 0; --i) {
    const char interface = interfaces[rng() % std::size(interfaces)];
    const char *className = classes[rng() % 3];
    std::vector<std::string> ids = shapes[rng() % std::size(shapes)];
    for (std::string &id : ids)
      std::replace(id.begin(), id.end(), '#', interface);
    const bool absent = !ids.empty() && rng() % 6 == 0; // one in six of those with IDs
    std::string instanceId;
    if (ids.empty())
      instanceId = dialog.tree.AddPresentDeviceWithoutIds(className);
    else if (absent)
      instanceId = dialog.tree.AddAbsentDevice(ids, className);
    else
      instanceId = dialog.tree.AddPresentDevice(ids, className);
    // Windows lists no absent device to a scan; Wine does.
    const bool matchable = !ids.empty() && MatchHardwareId(package.listed, ids[0].c_str()) &&
                           (!absent || dialog.tree.Mode() == SimMode::Wine);
    if (matchable)
      dialog.phone.push_back(instanceId);
    else
      dialog.unrelated.push_back(instanceId);
  }
}

TEST(InstallProperty, RandomTreesAndFailuresKeepTheInstallsInvariants) {
  const char *seedText = std::getenv("QUARVEL_PROPERTY_SEED"), *countText = std::getenv("QUARVEL_PROPERTY_ITERATIONS");
  const unsigned long baseSeed = seedText ? std::strtoul(seedText, nullptr, 10) : 20250115;
  const unsigned long iterations = countText ? std::strtoul(countText, nullptr, 10) : 300;
  const Package packages[] = {ModemInf::OwnId, ModemInf::AlsoThePhonesId, ModemInf::Missing};
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
      if (operation == "SetupDiDestroyDeviceInfoList")
        ++failedDestroys;
    }
    const InstallVerdict outcome = dialog.core.RunAutomaticInstall().Verdict();
    dialog.ExpectSafe(outcome, "", 1 + failedDestroys, faults == 0 ? 0 : 3); // at most one node a pass
    // Nothing failing, the plain package installs every driver.
    if (faults == 0 && package.modem == ModemInf::OwnId) {
      EXPECT_EQ(outcome, InstallVerdict::Success);
    }
    if (outcome == InstallVerdict::Success)
      ++successes;
  }
  // Both outcomes must have been reached for the run to say anything (a short replay need not reach both).
  if (iterations >= 100) {
    EXPECT_GT(successes, 0) << "runs that succeeded";
    EXPECT_LT(successes, static_cast<int>(iterations)) << "runs that succeeded";
  }
}

} // namespace
