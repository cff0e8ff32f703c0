// Sets, enumeration, properties, root nodes, registration, removal: the same cases against every backend.

#include <cstring>

#include "ContractBackend.h"
#include "ContractDevices.h"

namespace {

class DeviceSetContract : public ContractTest {};
QUARVEL_CONTRACT_SUITE(DeviceSetContract);

const DWORD kPresentAll = DIGCF_PRESENT | DIGCF_ALLCLASSES;

TEST_P(DeviceSetContract, EnumerationListsAPlantedDeviceAndEndsWithNoMoreItems) {
  const std::string id = ContractHardwareId(0);
  PlantedNode node(Services(), "QCT_ENUM", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();

  ScopedSet set(Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll | DIGCF_PROFILE));
  ASSERT_TRUE(set.Valid());
  SP_DEVINFO_DATA device = EmptyRecord();
  DWORD index = 0;
  int found = 0;
  for (; Services().SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    std::optional<std::vector<std::string>> ids = ReadHardwareIds(Services(), set.Get(), device);
    if (ids && ids->size() == 1 && ids->front() == id) {
      ++found;
      EXPECT_EQ(0, std::memcmp(&device.ClassGuid, &kContractClassGuid, sizeof(GUID)));
    }
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  // Past the end stays past the end.
  EXPECT_FALSE(Services().SetupDiEnumDeviceInfo(set.Get(), index + 5, &device));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST_P(DeviceSetContract, EnumerationRejectsAWrongRecordSizeAndABadHandle) {
  ScopedSet set(Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll));
  ASSERT_TRUE(set.Valid());
  SP_DEVINFO_DATA device = EmptyRecord();
  device.cbSize = sizeof(SP_DEVINFO_DATA) + 4;
  EXPECT_FALSE(Services().SetupDiEnumDeviceInfo(set.Get(), 0, &device));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));

  device = EmptyRecord();
  EXPECT_FALSE(Services().SetupDiEnumDeviceInfo(INVALID_HANDLE_VALUE, 0, &device));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_P(DeviceSetContract, AnEmptySetHasNoDevices) {
  ScopedSet set(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  ASSERT_TRUE(set.Valid());
  SP_DEVINFO_DATA device = EmptyRecord();
  EXPECT_FALSE(Services().SetupDiEnumDeviceInfo(set.Get(), 0, &device));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST_P(DeviceSetContract, HardwareIdsReadBackAsAMultiStringWithTheirRequiredSize) {
  const std::vector<std::string> ids = {ContractHardwareId(1), "USB\\VID_1234&PID_5678", "USB\\Class_ff&SubClass_42"};
  const std::string expected = MultiString(ids);
  PlantedNode node(Services(), "QCT_PROPS", kContractClassGuid, ids);
  ASSERT_TRUE(node.Ok()) << node.Failure();

  DWORD required = 0;
  DWORD type = 0;
  EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(node.Set(), &node.Device(), SPDRP_HARDWAREID, &type,
                                                             nullptr, 0, &required));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, expected.size());

  BYTE small[8] = {};
  required = 0;
  EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(node.Set(), &node.Device(), SPDRP_HARDWAREID, nullptr,
                                                             small, sizeof small, &required));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, expected.size());

  std::vector<BYTE> buffer(2000, 0xCC);
  required = 0;
  ASSERT_TRUE(Services().SetupDiGetDeviceRegistryPropertyA(node.Set(), &node.Device(), SPDRP_HARDWAREID, &type,
                                                            buffer.data(), static_cast<DWORD>(buffer.size()),
                                                            &required));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(required, expected.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(buffer.data()), expected.size()), expected);
  EXPECT_EQ(buffer[expected.size()], 0xCC) << "wrote past the data";

  // The same IDs through a fresh enumeration: the letter case is kept as written.
  EXPECT_EQ(CountPresent(Services(), ids.front()), 1);
}

TEST_P(DeviceSetContract, AnAbsentPropertyFailsWithInvalidData) {
  PlantedNode node(Services(), "QCT_NOIDS", kContractClassGuid, {});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  BYTE buffer[64] = {};
  DWORD required = 0;
  EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(node.Set(), &node.Device(), SPDRP_HARDWAREID, nullptr,
                                                             buffer, sizeof buffer, &required));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(node.Set(), &node.Device(), SPDRP_COMPATIBLEIDS, nullptr,
                                                             nullptr, 0, &required));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST_P(DeviceSetContract, GeneratedIdsTakeTheFirstFreeNumberAndVanishUnregistered) {
  ScopedSet set(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  ASSERT_TRUE(set.Valid());
  SP_DEVINFO_DATA first = EmptyRecord();
  SP_DEVINFO_DATA second = EmptyRecord();
  ASSERT_TRUE(Services().SetupDiCreateDeviceInfoA(set.Get(), "QctGenId", &kContractClassGuid, nullptr, nullptr,
                                                   DICD_GENERATE_ID, &first));
  ASSERT_TRUE(Services().SetupDiCreateDeviceInfoA(set.Get(), "QctGenId", &kContractClassGuid, nullptr, nullptr,
                                                   DICD_GENERATE_ID, &second));
  EXPECT_EQ(InstanceId(set.Get(), first), "ROOT\\QCTGENID\\0000");
  EXPECT_EQ(InstanceId(set.Get(), second), "ROOT\\QCTGENID\\0001");
  EXPECT_EQ(0, std::memcmp(&first.ClassGuid, &kContractClassGuid, sizeof(GUID)));

  // A name with a separator is not a generated root name.
  SP_DEVINFO_DATA bad = EmptyRecord();
  EXPECT_FALSE(Services().SetupDiCreateDeviceInfoA(set.Get(), "ROOT\\QctGenId", &kContractClassGuid, nullptr,
                                                    nullptr, DICD_GENERATE_ID, &bad));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_DEVINST_NAME));

  // Never registered: gone with their set, so the numbers are free again.
  ASSERT_TRUE(set.Destroy());
  ScopedSet again(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  SP_DEVINFO_DATA third = EmptyRecord();
  ASSERT_TRUE(Services().SetupDiCreateDeviceInfoA(again.Get(), "QctGenId", &kContractClassGuid, nullptr, nullptr,
                                                   DICD_GENERATE_ID, &third));
  EXPECT_EQ(InstanceId(again.Get(), third), "ROOT\\QCTGENID\\0000");
}

// Windows lists a node once it is registered. Wine (measured) keeps every created node in its
// registry and lists it as present even before registration.
TEST_P(DeviceSetContract, ARegisteredNodeIsListedAsPresent) {
  const std::string id = ContractHardwareId(2);
  PlantedNode node(Services(), "QCT_REGISTER", kContractClassGuid, {id}, /*registerNode=*/false);
  ASSERT_TRUE(node.Ok()) << node.Failure();
  EXPECT_EQ(CountPresent(Services(), id), WineLike() ? 1 : 0) << "listed before registration";

  ASSERT_TRUE(Services().SetupDiCallClassInstaller(DIF_REGISTERDEVICE, node.Set(), &node.Device()));
  EXPECT_EQ(CountPresent(Services(), id), 1);
  std::string instance = InstanceId(node.Set(), node.Device());
  EXPECT_EQ(instance.rfind("ROOT\\QCT_REGISTER\\", 0), 0u) << instance;
}

TEST_P(DeviceSetContract, RemoveDeviceTakesTheNodeOutOfAFreshEnumeration) {
  const std::string id = ContractHardwareId(6);
  PlantedNode node(Services(), "QCT_REMOVE", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  ASSERT_EQ(CountPresent(Services(), id), 1);

  // Removed through an enumeration's set, the way the scan removes what it matched.
  ScopedSet set(Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll));
  SP_DEVINFO_DATA device = EmptyRecord();
  bool removed = false;
  for (DWORD index = 0; !removed && Services().SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    std::optional<std::vector<std::string>> ids = ReadHardwareIds(Services(), set.Get(), device);
    if (ids && !ids->empty() && ids->front() == id) {
      EXPECT_TRUE(Services().SetupDiRemoveDevice(set.Get(), &device));
      removed = true;
    }
  }
  ASSERT_TRUE(removed);
  EXPECT_EQ(CountPresent(Services(), id), 0);

  // The element stays in its set, but it names no device any more.
  BYTE buffer[256];
  EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(set.Get(), &device, SPDRP_HARDWAREID, nullptr, buffer,
                                                             sizeof buffer, nullptr));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
}

TEST_P(DeviceSetContract, ClassInstallerRemoveTakesTheNodeAway) {
  const std::string id = ContractHardwareId(7);
  PlantedNode node(Services(), "QCT_DIFREMOVE", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  ASSERT_EQ(CountPresent(Services(), id), 1);
  EXPECT_TRUE(Services().SetupDiCallClassInstaller(DIF_REMOVE, node.Set(), &node.Device()));
  EXPECT_EQ(CountPresent(Services(), id), 0);
}

TEST_P(DeviceSetContract, DestroyingASetTwiceFailsWithInvalidHandle) {
  HDEVINFO set = Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Services().SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(Services().SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(Services().SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Windows clears the code on success; Wine leaves it as it was (wine-harness, measured per call).
TEST_P(DeviceSetContract, ASuccessfulCallClearsTheLastErrorOnWindowsOnly) {
  Services().SetLastError(0xDEADBEEF);
  ScopedSet set(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  ASSERT_TRUE(set.Valid());
  if (WineLike())
    EXPECT_EQ(Services().GetLastError(), 0xDEADBEEFu);
  else
    EXPECT_EQ(Services().GetLastError(), 0u);
}

} // namespace
