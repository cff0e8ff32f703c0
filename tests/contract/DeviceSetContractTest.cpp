// Sets, enumeration, hardware IDs, root nodes, registration, removal: the same cases against every backend.

#include <cstring>

#include "ContractBackend.h"
#include "ContractDevices.h"

namespace {

class DeviceSetContract : public ContractTest {};
QUARVEL_CONTRACT_SUITE(DeviceSetContract);

const DWORD kPresentAll = DIGCF_PRESENT | DIGCF_ALLCLASSES;
const DWORD kUnread = 0xDEADBEEF;
const GUID kNoGuid{};

// Windows clears the code on success; Wine (measured per call) leaves it as it was.
TEST_P(DeviceSetContract, EnumerationEndsWithNoMoreItemsAndBadSetsAreRefused) {
  const std::string id = ContractHardwareId(0);
  PlantedNode node(Services(), "QCT_ENUM", kContractClassGuid, {id});
  ASSERT_TRUE(node.Ok()) << node.Failure();
  ScopedSet all(Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll | DIGCF_PROFILE));
  SP_DEVINFO_DATA device = EmptyRecord();
  DWORD listed = 0;
  int found = 0;
  for (; Services().SetupDiEnumDeviceInfo(all.Get(), listed, &device); ++listed)
    if (FirstHardwareId(Services(), all.Get(), device) == id && ++found) {
      EXPECT_EQ(0, std::memcmp(&device.ClassGuid, &kContractClassGuid, sizeof(GUID)));
    }
  EXPECT_EQ(found, 1);
  Services().SetLastError(0xDEADBEEF);
  ScopedSet empty(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  ASSERT_TRUE(all.Valid() && empty.Valid());
  EXPECT_EQ(Services().GetLastError(), WineLike() ? 0xDEADBEEFu : 0u) << "after a successful call";
  HDEVINFO destroyed = Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr);
  EXPECT_TRUE(Services().SetupDiDestroyDeviceInfoList(destroyed));

  const DWORD record = sizeof(SP_DEVINFO_DATA);
  const struct { const char *what; HDEVINFO set; DWORD index, recordSize, code; } cases[] = {
      {"the end", all.Get(), listed, record, ERROR_NO_MORE_ITEMS},
      {"past the end", all.Get(), listed + 5, record, ERROR_NO_MORE_ITEMS},
      {"an empty set", empty.Get(), 0, record, ERROR_NO_MORE_ITEMS},
      {"a wrong record size", all.Get(), 0, record + 4, ERROR_INVALID_USER_BUFFER},
      {"an invalid handle", INVALID_HANDLE_VALUE, 0, record, ERROR_INVALID_HANDLE},
  };
  for (const auto &c : cases) {
    device.cbSize = c.recordSize;
    EXPECT_FALSE(Services().SetupDiEnumDeviceInfo(c.set, c.index, &device)) << c.what;
    EXPECT_EQ(Services().GetLastError(), c.code) << c.what;
  }
  for (HDEVINFO set : {destroyed, INVALID_HANDLE_VALUE}) {
    EXPECT_FALSE(Services().SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  if (Sim()) { // the unit tests prove sets released through these counts
    EXPECT_EQ(Sim()->OpenSetCount(), 3);
    EXPECT_EQ(Sim()->DoubleDestroyCount(), 1);
  }
}

// Hardware IDs as the scan reads them: the size first, then the read; bytes (and letter case) as written.
TEST_P(DeviceSetContract, HardwareIdsReadBackWithTheBufferSizeProtocol) {
  const std::vector<std::string> ids = {ContractHardwareId(1), "USB\\VID_1234&PID_5678", "USB\\Class_ff&SubClass_42"};
  const std::string expected = MultiString(ids);
  const DWORD size = static_cast<DWORD>(expected.size());
  PlantedNode node(Services(), "QCT_PROPS", kContractClassGuid, ids);
  PlantedNode bare(Services(), "QCT_NOIDS", kContractClassGuid, {});
  ASSERT_TRUE(node.Ok() && bare.Ok()) << node.Failure() << bare.Failure();
  const struct { PlantedNode *node; DWORD property, bufferSize, code, required; } cases[] = {
      {&node, SPDRP_HARDWAREID, 0, ERROR_INSUFFICIENT_BUFFER, size}, // no buffer: the size query
      {&node, SPDRP_HARDWAREID, 8, ERROR_INSUFFICIENT_BUFFER, size},
      {&node, SPDRP_HARDWAREID, size - 1, ERROR_INSUFFICIENT_BUFFER, size},
      {&node, SPDRP_HARDWAREID, size, ERROR_SUCCESS, size},
      {&node, SPDRP_HARDWAREID, 2000, ERROR_SUCCESS, size},
      {&bare, SPDRP_HARDWAREID, 64, ERROR_INVALID_DATA, kUnread}, // never written
      {&bare, SPDRP_COMPATIBLEIDS, 0, ERROR_INVALID_DATA, kUnread},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << (c.node == &bare ? "no IDs, " : "") << "buffer " << c.bufferSize);
    std::vector<BYTE> buffer(2001, 0xCC);
    DWORD type = 0, required = kUnread;
    const BOOL ok = Services().SetupDiGetDeviceRegistryPropertyA(c.node->Set(), &c.node->Device(), c.property, &type,
                                                                c.bufferSize ? buffer.data() : nullptr, c.bufferSize,
                                                                c.required == kUnread ? nullptr : &required);
    EXPECT_EQ(ok, c.code == ERROR_SUCCESS);
    EXPECT_EQ(ok ? ERROR_SUCCESS : Services().GetLastError(), c.code);
    EXPECT_EQ(required, c.required);
    if (ok) {
      EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
      EXPECT_EQ(std::string(reinterpret_cast<const char *>(buffer.data()), size), expected);
      EXPECT_EQ(buffer[size], 0xCC) << "wrote past the data";
    }
  }
  EXPECT_EQ(CountPresent(Services(), ids.front()), 1) << "a fresh enumeration reads the same";
}

TEST_P(DeviceSetContract, GeneratedRootNamesTakeTheFirstFreeNumber) {
  ScopedSet set(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  const struct { const char *name; const char *instance; DWORD code; } cases[] = {
      {"QctGenId", "ROOT\\QCTGENID\\0000", 0},
      {"QctGenId", "ROOT\\QCTGENID\\0001", 0},
      {"ROOT\\QctGenId", "", ERROR_INVALID_DEVINST_NAME}, // a separator: no generated root name
  };
  for (const auto &c : cases) {
    SP_DEVINFO_DATA device = EmptyRecord();
    const BOOL ok = Services().SetupDiCreateDeviceInfoA(set.Get(), c.name, &kContractClassGuid, nullptr, nullptr,
                                                        DICD_GENERATE_ID, &device);
    EXPECT_EQ(ok ? ERROR_SUCCESS : Services().GetLastError(), c.code) << c.name;
    EXPECT_EQ(ok ? InstanceId(set.Get(), device) : "", c.instance);
    EXPECT_EQ(0, std::memcmp(&device.ClassGuid, ok ? &kContractClassGuid : &kNoGuid, sizeof(GUID))) << c.name;
  }
  // Never registered: gone with their set, so the numbers are free again.
  ASSERT_TRUE(set.Destroy());
  ScopedSet again(Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr));
  SP_DEVINFO_DATA device = EmptyRecord();
  ASSERT_TRUE(Services().SetupDiCreateDeviceInfoA(again.Get(), "QctGenId", &kContractClassGuid, nullptr, nullptr,
                                                   DICD_GENERATE_ID, &device));
  EXPECT_EQ(InstanceId(again.Get(), device), "ROOT\\QCTGENID\\0000");
}

// Windows lists a node once it is registered. Wine (measured) lists every created node as present.
TEST_P(DeviceSetContract, ANodeIsListedOnceRegisteredAndGoneOnceRemoved) {
  for (bool throughScan : {true, false}) {
    SCOPED_TRACE(throughScan ? "SetupDiRemoveDevice in an enumeration's set" : "DIF_REMOVE on its own set");
    const std::string id = ContractHardwareId(throughScan ? 6 : 7);
    PlantedNode node(Services(), "QCT_NODE", kContractClassGuid, {id}, /*registerNode=*/false);
    ASSERT_TRUE(node.Ok()) << node.Failure();
    EXPECT_EQ(CountPresent(Services(), id), WineLike() ? 1 : 0) << "listed before registration";
    ASSERT_TRUE(Services().SetupDiCallClassInstaller(DIF_REGISTERDEVICE, node.Set(), &node.Device()));
    EXPECT_EQ(CountPresent(Services(), id), 1);
    const std::string instance = InstanceId(node.Set(), node.Device());
    EXPECT_EQ(instance.rfind("ROOT\\QCT_NODE\\", 0), 0u) << instance;

    ScopedSet scan(Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll));
    SP_DEVINFO_DATA device = EmptyRecord();
    for (DWORD i = 0; throughScan && Services().SetupDiEnumDeviceInfo(scan.Get(), i, &device); ++i)
      if (FirstHardwareId(Services(), scan.Get(), device) == id)
        break;
    ASSERT_TRUE(throughScan ? Services().SetupDiRemoveDevice(scan.Get(), &device)
                            : Services().SetupDiCallClassInstaller(DIF_REMOVE, node.Set(), &node.Device()));
    EXPECT_EQ(CountPresent(Services(), id), 0);
    if (Sim()) {
      EXPECT_EQ(Sim()->RemovedInstanceIds().size(), throughScan ? 1u : 2u);
      EXPECT_EQ(Sim()->RemovedInstanceIds().back(), instance);
    }
    // The element stays in its set, but it names no device any more.
    BYTE buffer[256];
    EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(throughScan ? scan.Get() : node.Set(),
                                                               throughScan ? &device : &node.Device(),
                                                               SPDRP_HARDWAREID, nullptr, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
  }
}

} // namespace
