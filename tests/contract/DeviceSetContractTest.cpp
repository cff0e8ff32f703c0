// Sets, enumeration, hardware IDs, root nodes, registration, removal: the same cases against every backend.

#include <cstring>

#include "ContractBackend.h"
#include "ContractDevices.h"

namespace {

class DeviceSetContract : public ContractTest {};
QUARVEL_CONTRACT_SUITE(DeviceSetContract);

const DWORD kPresentAll = DIGCF_PRESENT | DIGCF_ALLCLASSES;
const DWORD kUnread = 0xDEADBEEF;

// Windows clears the code on success; Wine (measured per call) leaves it as it was.
TEST_P(DeviceSetContract, EnumerationEndsWithNoMoreItemsAndBadSetsAreRefused) {
  const std::string id = ContractHardwareId(0);
  PlantedNode node(Services(), "QCT_ENUM", kContractClassGuid, {id});
  ASSERT_EQ(node.Failure(), "");
  ScopedSet all{Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll | DIGCF_PROFILE)};
  SP_DEVINFO_DATA device = EmptyRecord();
  DWORD listed = 0, found = 0;
  for (; Services().SetupDiEnumDeviceInfo(all.set, listed, &device); ++listed)
    if (Property(Services(), all.set, device, SPDRP_HARDWAREID) == id)
      found += std::memcmp(&device.ClassGuid, &kContractClassGuid, sizeof(GUID)) == 0 ? 1 : 100;
  EXPECT_EQ(found, 1u) << "listed once, with its class";
  Services().SetLastError(0xDEADBEEF);
  ScopedSet empty{Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr)};
  EXPECT_EQ(Services().GetLastError(), WineLike() ? 0xDEADBEEFu : 0u) << "after a successful call";
  HDEVINFO destroyed = Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr);
  EXPECT_TRUE(Services().SetupDiDestroyDeviceInfoList(destroyed));
  const DWORD record = sizeof(SP_DEVINFO_DATA);
  const struct { const char *what; HDEVINFO set; DWORD index, recordSize, code; } cases[] = {
      {"the end", all.set, listed, record, ERROR_NO_MORE_ITEMS},
      {"past the end", all.set, listed + 5, record, ERROR_NO_MORE_ITEMS},
      {"an empty set", empty.set, 0, record, ERROR_NO_MORE_ITEMS},
      {"a wrong record size", all.set, 0, record + 4, ERROR_INVALID_USER_BUFFER},
      {"an invalid handle", INVALID_HANDLE_VALUE, 0, record, ERROR_INVALID_HANDLE},
      {"destroy an invalid handle", INVALID_HANDLE_VALUE, kUnread, 0, ERROR_INVALID_HANDLE},
      {"destroy a set twice", destroyed, kUnread, 0, ERROR_INVALID_HANDLE},
  };
  for (const auto &c : cases) {
    device.cbSize = c.recordSize;
    EXPECT_FALSE(c.index == kUnread ? Services().SetupDiDestroyDeviceInfoList(c.set)
                                    : Services().SetupDiEnumDeviceInfo(c.set, c.index, &device))
        << c.what;
    EXPECT_EQ(Services().GetLastError(), c.code) << c.what;
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
  PlantedNode node(Services(), "QCT_PROPS", kContractClassGuid, ids), bare(Services(), "QCT_NOIDS", kContractClassGuid, {});
  ASSERT_EQ(node.Failure() + bare.Failure(), "");
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
    EXPECT_EQ(ok ? ERROR_SUCCESS : Services().GetLastError(), c.code);
    EXPECT_EQ(required, c.required);
    if (ok) {
      EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
      EXPECT_EQ(std::string(reinterpret_cast<const char *>(buffer.data()), size + 1), expected + '\xCC');
    }
  }
  EXPECT_EQ(Present(Services(), ids.front()).size(), 1u) << "a fresh enumeration reads the same";
}

// Generated root names take the first free number; unregistered nodes go with their set.
TEST_P(DeviceSetContract, GeneratedRootNamesTakeTheFirstFreeNumber) {
  ScopedSet set{Services(), Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr)};
  const struct { const char *name; const char *instance; DWORD code; bool newSet; } cases[] = {
      {"QctGenId", "ROOT\\QCTGENID\\0000", 0, false},
      {"QctGenId", "ROOT\\QCTGENID\\0001", 0, false},
      {"ROOT\\QctGenId", "", ERROR_INVALID_DEVINST_NAME, false}, // a separator: no generated root name
      {"QctGenId", "ROOT\\QCTGENID\\0000", 0, true},
  };
  for (const auto &c : cases) {
    if (c.newSet) {
      EXPECT_TRUE(Services().SetupDiDestroyDeviceInfoList(set.set));
      set.set = Services().SetupDiCreateDeviceInfoList(&kContractClassGuid, nullptr);
    }
    SP_DEVINFO_DATA device = EmptyRecord();
    const BOOL ok = Services().SetupDiCreateDeviceInfoA(set.set, c.name, &kContractClassGuid, nullptr, nullptr,
                                                        DICD_GENERATE_ID, &device);
    EXPECT_EQ(ok ? ERROR_SUCCESS : Services().GetLastError(), c.code) << c.name;
    EXPECT_EQ(ok ? InstanceId(set.set, device) : "", c.instance);
    EXPECT_EQ(ok, std::memcmp(&device.ClassGuid, &kContractClassGuid, sizeof(GUID)) == 0) << c.name;
  }
}

// Windows lists a node once it is registered. Wine (measured) lists every created node as present.
TEST_P(DeviceSetContract, ANodeIsListedOnceRegisteredAndGoneOnceRemoved) {
  for (bool throughScan : {true, false}) {
    SCOPED_TRACE(throughScan ? "SetupDiRemoveDevice in an enumeration's set" : "DIF_REMOVE on its own set");
    const std::string id = ContractHardwareId(throughScan ? 6 : 7);
    PlantedNode node(Services(), "QCT_NODE", kContractClassGuid, {id}, /*registerNode=*/false);
    ASSERT_EQ(node.Failure(), "");
    EXPECT_EQ(Present(Services(), id).size(), WineLike() ? 1u : 0u) << "listed before registration";
    ASSERT_TRUE(Services().SetupDiCallClassInstaller(DIF_REGISTERDEVICE, node.Set(), &node.Device()));
    EXPECT_EQ(Present(Services(), id).size(), 1u);
    const std::string instance = InstanceId(node.Set(), node.Device());
    EXPECT_EQ(instance.rfind("ROOT\\QCT_NODE\\", 0), 0u) << instance;

    ScopedSet scan{Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll)};
    HDEVINFO set = throughScan ? scan.set : node.Set();
    SP_DEVINFO_DATA found = EmptyRecord(), &device = throughScan ? found : node.Device();
    for (DWORD i = 0; throughScan && Services().SetupDiEnumDeviceInfo(set, i, &device); ++i)
      if (Property(Services(), set, device, SPDRP_HARDWAREID) == id)
        break;
    ASSERT_TRUE(throughScan ? Services().SetupDiRemoveDevice(set, &device)
                            : Services().SetupDiCallClassInstaller(DIF_REMOVE, set, &device));
    EXPECT_EQ(Present(Services(), id).size(), 0u);
    if (Sim()) {
      EXPECT_EQ(Sim()->RemovedInstanceIds().size(), throughScan ? 1u : 2u);
      EXPECT_EQ(Sim()->RemovedInstanceIds().back(), instance);
    }
    // The element stays in its set, but it names no device any more.
    BYTE buffer[256];
    EXPECT_FALSE(Services().SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr, buffer,
                                                               sizeof buffer, nullptr));
    EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
  }
}

} // namespace
