// A randomized check of the whole automatic install over random device trees with random failing
// platform calls. Reproducible: each iteration's seed is printed on failure; set
// QUARVEL_PROPERTY_SEED (and QUARVEL_PROPERTY_ITERATIONS) to replay.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>

#include "InstallTestSupport.h"

using namespace quarveltest;

namespace {

unsigned long EnvNumber(const char *name, unsigned long fallback) {
  const char *text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// One driver folder the executable may sit in, and every hardware ID its INFs list.
struct Package {
  std::unique_ptr<TempInfDir> dir = std::make_unique<TempInfDir>();
  std::string name;
  CStringArray listed;
};

// Each package: its name, the pass whose INF is missing, the pass whose INF has no class, and
// whether the modem INF also lists the ID that every interface of the phone matches.
const struct {
  const char *name;
  int missing, broken;
  bool wide;
} kPackages[] = {{"complete", -1, -1, false}, {"wide modem list", -1, -1, true}, {"no Android INF", 2, -1, false},
                 {"no modem INF", 0, -1, false}, {"serial INF without a class", -1, 1, false}};

std::vector<Package> MakePackages() {
  std::vector<Package> packages(std::size(kPackages));
  for (size_t n = 0; n < packages.size(); ++n) {
    packages[n].name = kPackages[n].name;
    for (int pass = 0; pass < 3; ++pass) {
      const KindInf &kind = kKindInfs[pass];
      std::vector<std::string> ids{kind.hardwareId};
      if (pass == 0 && kPackages[n].wide)
        ids.push_back("USB\\VID_05C6&PID_9018");
      if (pass == kPackages[n].missing)
        continue;
      packages[n].dir->Write(kind.fileName, pass == kPackages[n].broken
                                                ? "[" + std::string(kind.section) + "]\r\n%D%=I, " + ids[0] + "\r\n"
                                                : InfText(kind, ids));
      for (const std::string &id : ids)
        packages[n].listed.Add(id.c_str());
    }
  }
  return packages;
}

const DWORD kCodes[] = {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_DATA, ERROR_INSUFFICIENT_BUFFER,
                        ERROR_NO_MORE_ITEMS, ERROR_NO_SUCH_DEVINST,   0xE0000ABC};

// A random tree of devices near and far from the phone's IDs ("*" stands for one of them), each
// kept in dialog as a device that a scan may match (and so remove) or one that must stay.
void AddRandomDevices(Dialog &dialog, const Package &package, std::mt19937 &rng, std::ostringstream &story) {
  const std::vector<std::string> shapes[] = {{"*"}, {"lower *"}, {"*&REV_0001", "*"}, {"USB\\VID_1234&PID_9"}, {},
                                             {"USB\\VID_1234&PID_0001", "USB\\VID_1234", "*"}, {"absent *"}, {"*0"}};
  const char *classes[] = {"USB", "Modem", "Ports"};
  for (int i = static_cast<int>(rng() % 7); i > 0; --i) {
    const std::string kindId = kKindInfs[rng() % 3].hardwareId;
    const std::string className = classes[rng() % 3];
    std::vector<std::string> ids = shapes[rng() % std::size(shapes)];
    const bool present = ids.empty() || ids[0].rfind("absent ", 0) != 0;
    for (std::string &id : ids) {
      if (id.rfind("lower ", 0) == 0)
        id = "usb\\vid_05c6&pid_9018&mi_0" + kindId.substr(26);
      else if (id.find('*') != std::string::npos)
        id.replace(id.find('*'), 1, kindId).erase(0, present ? 0 : 7);
    }
    const std::string instanceId = !present ? dialog.tree.AddAbsentDevice(ids, className)
                                   : ids.empty() ? dialog.tree.AddPresentDeviceWithoutIds(className)
                                                 : dialog.tree.AddPresentDevice(ids, className);
    // Windows lists no absent device to a scan; Wine does.
    const bool matchable = !ids.empty() && MatchHardwareId(package.listed, ids[0].c_str()) &&
                           (present || dialog.tree.Mode() == SimMode::Wine);
    (matchable ? dialog.phone : dialog.unrelated).push_back(instanceId);
    story << (present ? " device[" : " absent[") << (ids.empty() ? "" : ids[0]) << "]";
  }
}

TEST(InstallProperty, RandomTreesAndFailuresKeepTheInstallsInvariants) {
  const unsigned long baseSeed = EnvNumber("QUARVEL_PROPERTY_SEED", 20250115);
  const unsigned long iterations = EnvNumber("QUARVEL_PROPERTY_ITERATIONS", 300);
  const std::vector<Package> packages = MakePackages();
  int successes = 0, failures = 0;
  std::vector<std::string> operations; // every platform call a clean run makes
  {
    Dialog clean(SimMode::Windows, packages[0].dir->ExePath());
    clean.core.RunAutomaticInstall();
    for (const std::string &operation : clean.tree.CallLog())
      if (std::find(operations.begin(), operations.end(), operation) == operations.end())
        operations.push_back(operation);
  }

  for (unsigned long n = 0; n < iterations && !::testing::Test::HasFailure(); ++n) {
    const unsigned long seed = baseSeed + n;
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    std::ostringstream story;
    const SimMode mode = rng() % 2 ? SimMode::Wine : SimMode::Windows;
    const Package &package = packages[rng() % packages.size()];
    story << ModeName(mode) << ", " << package.name << ";";
    Dialog dialog(mode, package.dir->ExePath());
    HookedTree &tree = dialog.tree;
    tree.SetRebootRequired(rng() % 4 == 0);
    AddRandomDevices(dialog, package, rng, story);
    int failedDestroys = 0;
    const int faults = static_cast<int>(rng() % 4);
    for (int i = faults; i > 0; --i) {
      const std::string operation = operations[rng() % operations.size()];
      const int nth = 1 + static_cast<int>(rng() % 8);
      const DWORD code = kCodes[rng() % std::size(kCodes)];
      // A failing destroy keeps a set for good; once is enough to see that nothing else breaks.
      const bool every = operation != "SetupDiDestroyDeviceInfoList" && rng() % 8 == 0;
      tree.FailCall(operation, nth, code, every);
      failedDestroys += operation == "SetupDiDestroyDeviceInfoList";
      story << " fail[" << operation << " #" << nth << (every ? "+" : "") << " code " << code << "]";
    }
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + story.str());

    const InstallOutcome outcome = dialog.core.RunAutomaticInstall();

    dialog.ExpectSafe(outcome, "", 1 + failedDestroys);
    if (faults == 0 && package.name == "complete") {
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
