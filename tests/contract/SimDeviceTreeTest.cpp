// What only the simulation offers: arranging the tree, fault injection, the read-back API, and the
// Windows-mode details that the real services under Wine cannot show.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "ContractDevices.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimInfText.h"

namespace {

const DWORD kPresentAll = DIGCF_PRESENT | DIGCF_ALLCLASSES;
const char kModemId[] = "USB\\VID_05C6&PID_9018&MI_02";

std::string DataPath(const std::string &relative) { return std::string(QUARVEL_TEST_DATA) + "/" + relative; }

// The hardware IDs' first strings of the devices a fresh present-device set lists, in order.
std::vector<std::string> ListedFirstIds(SimDeviceTree &tree, DWORD flags = kPresentAll) {
  std::vector<std::string> ids;
  ScopedSet set(tree, tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, flags));
  SP_DEVINFO_DATA device = EmptyRecord();
  for (DWORD i = 0; tree.SetupDiEnumDeviceInfo(set.Get(), i, &device); ++i) {
    std::optional<std::vector<std::string>> read = ReadHardwareIds(tree, set.Get(), device);
    ids.push_back(read && !read->empty() ? read->front() : std::string("<none>"));
  }
  return ids;
}

// A registered root node made the way the installer makes one; returns its instance ID.
std::string MakeRootNode(SimDeviceTree &tree, const std::string &hardwareId) {
  HDEVINFO set = tree.SetupDiCreateDeviceInfoList(&kModemClassGuid, nullptr);
  SP_DEVINFO_DATA device = EmptyRecord();
  tree.SetupDiCreateDeviceInfoA(set, "Modem", &kModemClassGuid, nullptr, nullptr, DICD_GENERATE_ID, &device);
  std::string ids = MultiString({hardwareId});
  tree.SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE *>(ids.data()),
                                         static_cast<DWORD>(ids.size()));
  tree.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
  char instance[256] = {};
  tree.SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr);
  tree.SetupDiDestroyDeviceInfoList(set);
  return instance;
}

TEST(SimDeviceTree, ArrangedDevicesAreListedInOrderWithTheirClasses) {
  SimDeviceTree tree;
  std::string modem = tree.AddPresentDevice({kModemId, "USB\\VID_05C6&PID_9018"}, "Modem");
  std::string bare = tree.AddPresentDeviceWithoutIds();
  tree.AddAbsentDevice({"USB\\VID_05C6&PID_9018&MI_03"}, "Ports");

  EXPECT_EQ(ListedFirstIds(tree), (std::vector<std::string>{kModemId, "<none>"}));
  std::vector<SimDevice> devices = tree.Devices();
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].instanceId, modem);
  EXPECT_EQ(modem.rfind("USB\\VID_05C6&PID_9018&MI_02\\", 0), 0u);
  EXPECT_EQ(devices[0].className, "Modem");
  EXPECT_FALSE(devices[1].hardwareIds.has_value());
  EXPECT_FALSE(devices[2].present);
  EXPECT_NE(tree.FindDevice(bare), nullptr);
  EXPECT_EQ(tree.FindDevice("USB\\NO_SUCH\\1"), nullptr);

  // Not asking for present devices lists the absent one as well.
  EXPECT_EQ(ListedFirstIds(tree, DIGCF_ALLCLASSES).size(), 3u);
}

TEST(SimDeviceTree, WineModeListsAbsentDevicesAsPresent) {
  SimDeviceTree tree(SimMode::Wine);
  tree.AddAbsentDevice({kModemId}, "Modem");
  EXPECT_EQ(ListedFirstIds(tree), (std::vector<std::string>{kModemId}));
}

TEST(SimDeviceTree, SetsAreCountedAndHandlesNeverReused) {
  SimDeviceTree tree;
  std::set<HDEVINFO> seen;
  for (int i = 0; i < 3; ++i) {
    HDEVINFO set = tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll);
    EXPECT_TRUE(seen.insert(set).second);
    EXPECT_EQ(tree.OpenSetCount(), 1);
    EXPECT_TRUE(tree.SetupDiDestroyDeviceInfoList(set));
  }
  HDEVINFO kept = tree.SetupDiCreateDeviceInfoList(nullptr, nullptr);
  EXPECT_EQ(seen.count(kept), 0u);
  EXPECT_EQ(tree.SetsCreated(), 4);
  EXPECT_EQ(tree.OpenSetCount(), 1);

  HDEVINFO first = *seen.begin();
  EXPECT_FALSE(tree.SetupDiDestroyDeviceInfoList(first));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(tree.DoubleDestroyCount(), 1);
  // A handle the tree never gave out is invalid, not a double destroy.
  EXPECT_FALSE(tree.SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
  EXPECT_EQ(tree.DoubleDestroyCount(), 1);
  SP_DEVINFO_DATA device = EmptyRecord();
  EXPECT_FALSE(tree.SetupDiEnumDeviceInfo(first, 0, &device));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(SimDeviceTree, CallLogNamesOperationsInOrderWithoutTheLastErrorCalls) {
  SimDeviceTree tree;
  tree.SetLastError(5);
  HDEVINFO set = tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll);
  SP_DEVINFO_DATA device = EmptyRecord();
  tree.SetupDiEnumDeviceInfo(set, 0, &device);
  tree.GetLastError();
  tree.SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(tree.CallLog(), (std::vector<std::string>{"SetupDiGetClassDevsA", "SetupDiEnumDeviceInfo",
                                                      "SetupDiDestroyDeviceInfoList"}));
  EXPECT_EQ(tree.CallCount("SetupDiEnumDeviceInfo"), 1);
  EXPECT_EQ(tree.CallCount("UpdateDriverForPlugAndPlayDevicesA"), 0);
}

TEST(SimDeviceTree, AnInjectedFaultFailsTheNthCallAndDoesNothing) {
  SimDeviceTree tree;
  tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll); // calls before FailCall do not count
  tree.FailCall("SetupDiGetClassDevsA", 2, ERROR_NOT_ENOUGH_MEMORY);
  HDEVINFO first = tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll);
  EXPECT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll), INVALID_HANDLE_VALUE);
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(tree.SetsCreated(), 2);
  EXPECT_NE(tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll), INVALID_HANDLE_VALUE);
  EXPECT_EQ(tree.CallCount("SetupDiGetClassDevsA"), 4) << "a failed call is still a call";

  // Registration that fails leaves the node unregistered; it vanishes with its set.
  tree.FailCall("SetupDiCallClassInstaller", 1, 0xE0000219);
  HDEVINFO set = tree.SetupDiCreateDeviceInfoList(&kModemClassGuid, nullptr);
  SP_DEVINFO_DATA device = EmptyRecord();
  ASSERT_TRUE(tree.SetupDiCreateDeviceInfoA(set, "Modem", &kModemClassGuid, nullptr, nullptr, DICD_GENERATE_ID, &device));
  EXPECT_FALSE(tree.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device));
  EXPECT_EQ(tree.GetLastError(), 0xE0000219u);
  EXPECT_TRUE(tree.Devices().empty());
  tree.SetupDiDestroyDeviceInfoList(set);
  EXPECT_TRUE(tree.Devices().empty());
  EXPECT_TRUE(tree.RemovedInstanceIds().empty());
}

TEST(SimDeviceTree, AnEveryFaultKeepsFailingUntilCleared) {
  SimDeviceTree tree;
  tree.FailCall("GetModuleFileNameA", 2, ERROR_ACCESS_DENIED, /*every=*/true);
  char path[MAX_PATH];
  EXPECT_GT(tree.GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(tree.GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(tree.GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  tree.ClearFaults();
  EXPECT_GT(tree.GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
}

TEST(SimDeviceTree, ModuleFileNameIsCopiedTruncatedOrRefused) {
  SimDeviceTree tree;
  char path[MAX_PATH];
  EXPECT_EQ(tree.GetModuleFileNameA(nullptr, path, MAX_PATH), std::strlen("C:\\Quarvel\\Quarvel.exe"));
  EXPECT_STREQ(path, "C:\\Quarvel\\Quarvel.exe");

  tree.SetModuleFileName("D:\\tools\\q.exe");
  char small[6];
  tree.SetLastError(0);
  EXPECT_EQ(tree.GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
  EXPECT_STREQ(small, "D:\\to");
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  tree.SetModuleFileName("", ERROR_ACCESS_DENIED);
  EXPECT_EQ(tree.GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(SimDeviceTree, FileExistsLooksAtTheRealFileSystem) {
  SimDeviceTree tree;
  EXPECT_TRUE(tree.FileExists(DataPath("contract/contract_class.inf").c_str()));
  EXPECT_FALSE(tree.FileExists(DataPath("contract/absent.inf").c_str()));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(tree.FileExists(""));
  EXPECT_FALSE(tree.FileExists(nullptr));
}

TEST(SimDeviceTree, UpdatesReachEveryPresentDeviceCarryingTheIdAndRecordHow) {
  SimDeviceTree tree;
  std::string inf = DataPath("contract/contract_modem.inf");
  std::string one = tree.AddPresentDevice({"USB\\VID_1234&PID_5679&MI_01"}, "Modem");
  std::string two = tree.AddPresentDevice({"USB\\Other", "usb\\vid_1234&pid_5679&mi_01"}, "Modem");
  std::string absent = tree.AddAbsentDevice({"USB\\VID_1234&PID_5679&MI_01"}, "Modem");
  tree.SetRebootRequired(true);
  BOOL reboot = FALSE;
  ASSERT_TRUE(tree.UpdateDriverForPlugAndPlayDevicesA(nullptr, "USB\\VID_1234&PID_5679&MI_01", inf.c_str(),
                                                      INSTALLFLAG_FORCE, &reboot));
  EXPECT_TRUE(reboot);
  for (const std::string &id : {one, two}) {
    const SimDevice *device = tree.FindDevice(id);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->installedInf, inf);
    EXPECT_TRUE(device->installedForced);
    EXPECT_EQ(device->deviceDesc, "Quarvel Contract Modem");
  }
  EXPECT_TRUE(tree.FindDevice(absent)->installedInf.empty());
}

TEST(SimDeviceTree, APlainUpdateOverTheSameDriverIsNotBetter) {
  SimDeviceTree tree;
  std::string inf = DataPath("contract/contract_modem.inf");
  std::string device = tree.AddPresentDevice({"USB\\VID_1234&PID_5679&MI_02"}, "Modem");
  tree.SetInstalledInf(device, inf);
  EXPECT_FALSE(tree.UpdateDriverForPlugAndPlayDevicesA(nullptr, "USB\\VID_1234&PID_5679&MI_02", inf.c_str(), 0, nullptr));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_FALSE(tree.FindDevice(device)->installedForced);
  EXPECT_FALSE(tree.UpdateDriverForPlugAndPlayDevicesA(nullptr, "USB\\VID_1234&PID_5679&MI_02", inf.c_str(), 0x100,
                                                       nullptr));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(SimDeviceTree, AFailedUpdateInstallsNothing) {
  SimDeviceTree tree;
  std::string device = tree.AddPresentDevice({kModemId}, "Modem");
  tree.FailCall("UpdateDriverForPlugAndPlayDevicesA", 1, ERROR_ACCESS_DENIED);
  std::string inf = DataPath("contract/contract_modem.inf");
  EXPECT_FALSE(tree.UpdateDriverForPlugAndPlayDevicesA(nullptr, kModemId, inf.c_str(), INSTALLFLAG_FORCE, nullptr));
  EXPECT_TRUE(tree.FindDevice(device)->installedInf.empty());
}

TEST(SimDeviceTree, RootNodesAreNamedByClassAndRecordedWhenRemoved) {
  SimDeviceTree tree;
  std::string first = MakeRootNode(tree, kModemId);
  std::string second = MakeRootNode(tree, kModemId);
  EXPECT_EQ(first, "ROOT\\MODEM\\0000");
  EXPECT_EQ(second, "ROOT\\MODEM\\0001");
  EXPECT_TRUE(tree.FindDevice(first)->createdByRoot);
  EXPECT_EQ(tree.OpenSetCount(), 0);

  // Remove the first through an enumeration, as the scan does.
  HDEVINFO set = tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll);
  SP_DEVINFO_DATA device = EmptyRecord();
  ASSERT_TRUE(tree.SetupDiEnumDeviceInfo(set, 0, &device));
  ASSERT_TRUE(tree.SetupDiRemoveDevice(set, &device));
  tree.SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(tree.RemovedInstanceIds(), std::vector<std::string>{first});
  // Its number is free again.
  EXPECT_EQ(MakeRootNode(tree, kModemId), "ROOT\\MODEM\\0000");
  EXPECT_EQ(tree.Devices().size(), 2u);
}

TEST(SimDeviceTree, ARecordFromAnotherSetIsRefused) {
  SimDeviceTree tree;
  tree.AddPresentDevice({kModemId}, "Modem");
  ScopedSet a(tree, tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll));
  ScopedSet b(tree, tree.SetupDiCreateDeviceInfoList(nullptr, nullptr));
  SP_DEVINFO_DATA device = EmptyRecord();
  ASSERT_TRUE(tree.SetupDiEnumDeviceInfo(a.Get(), 0, &device));
  BYTE buffer[64];
  EXPECT_FALSE(tree.SetupDiGetDeviceRegistryPropertyA(b.Get(), &device, SPDRP_HARDWAREID, nullptr, buffer, sizeof buffer,
                                                      nullptr));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(tree.SetupDiRemoveDevice(b.Get(), &device));
  EXPECT_TRUE(tree.RemovedInstanceIds().empty());
}

TEST(SimDeviceTree, ACreatedNodeMustMatchItsSetsClass) {
  SimDeviceTree tree;
  ScopedSet set(tree, tree.SetupDiCreateDeviceInfoList(&kModemClassGuid, nullptr));
  SP_DEVINFO_DATA device = EmptyRecord();
  EXPECT_FALSE(tree.SetupDiCreateDeviceInfoA(set.Get(), "Other", &kContractClassGuid, nullptr, nullptr,
                                             DICD_GENERATE_ID, &device));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_CLASS_MISMATCH));
}

TEST(SimDeviceTree, LongHardwareIdListsReportTheirFullSize) {
  SimDeviceTree tree;
  std::vector<std::string> ids(40, std::string(60, 'A'));
  ids[0] = kModemId;
  tree.AddPresentDevice(ids, "Modem");
  ScopedSet set(tree, tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll));
  SP_DEVINFO_DATA device = EmptyRecord();
  ASSERT_TRUE(tree.SetupDiEnumDeviceInfo(set.Get(), 0, &device));
  std::vector<BYTE> buffer(2000);
  DWORD required = 0;
  EXPECT_FALSE(tree.SetupDiGetDeviceRegistryPropertyA(set.Get(), &device, SPDRP_HARDWAREID, nullptr, buffer.data(),
                                                      2000, &required));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, MultiString(ids).size());
}

class SimInfFiles : public ::testing::Test {
protected:
  std::string Write(const std::string &name, const std::string &bytes) {
    std::string path = ::testing::TempDir() + "quarvel_sim_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    m_files.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const std::string &path : m_files)
      std::remove(path.c_str());
  }
  std::vector<std::string> m_files;
};

TEST_F(SimInfFiles, ClassReadingSurvivesHugeLinesAndGarbage) {
  SimDeviceTree tree;
  GUID guid{};
  char name[64];
  std::string huge = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=" + std::string(100000, 'C') + "\r\n";
  DWORD required = 0;
  EXPECT_FALSE(tree.SetupDiGetINFClassA(Write("huge.inf", huge).c_str(), &guid, name, sizeof name, &required));
  EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, 100001u);

  std::string garbage(5000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<char>((i * 37) & 0xFF);
  EXPECT_FALSE(tree.SetupDiGetINFClassA(Write("garbage.inf", garbage).c_str(), &guid, name, sizeof name, nullptr));
  EXPECT_NE(tree.GetLastError(), 0u);
}

TEST(SimInfText, FindsModelDescriptionsThroughDecoratedSectionsAndStrings) {
  SimInfText inf = SimInfText::Parse("[Version]\nClass = \"Ports\" ; the class\n"
                                     "[Manufacturer]\n%Mfg%=Models,NTamd64\n"
                                     "[Models.NTamd64]\n%Dev%=Install, USB\\VID_1&PID_2, USB\\VID_1&PID_3\n"
                                     "[Strings]\nMfg=\"Maker\"\nDev=\"Serial; Port\"\n");
  EXPECT_EQ(inf.Value("version", "CLASS"), std::optional<std::string>("Ports"));
  EXPECT_EQ(inf.ModelDescription("USB\\VID_1&PID_3", false), std::optional<std::string>("Serial; Port"));
  EXPECT_EQ(inf.ModelDescription("usb\\vid_1&pid_3", true), std::optional<std::string>("Serial; Port"));
  EXPECT_FALSE(inf.ModelDescription("usb\\vid_1&pid_3", false));
  EXPECT_FALSE(inf.ModelDescription("Install", true)) << "the install section is no hardware ID";
  EXPECT_FALSE(inf.Value("Version", "Provider"));
  EXPECT_FALSE(inf.HasSection("Models"));
}

} // namespace
