// Sets, enumeration, hardware IDs, root nodes, registration, removal: the same cases against every backend.

#include "ContractBackend.h"

namespace {

const DWORD kUnread = 0xDEADBEEF;

// Hardware IDs as the scan reads them: the size first, then the read; bytes (and letter case) as written.
TEST_P(ContractTest, HardwareIdsReadBackWithTheBufferSizeProtocol) {
  const std::vector<std::string> ids = {ContractHardwareId(1), "USB\\VID_1234&PID_5678", "USB\\Class_ff&SubClass_42"};
  const std::string expected = MultiString(ids) + '\xCC';
  const DWORD size = DWORD(expected.size() - 1);
  PlantedNode node(Services(), "QCT_IDS", kContractClassGuid, ids), bare(Services(), "QCT_NOIDS", kContractClassGuid, {});
  ASSERT_TRUE(node.ok && bare.ok) << Services().GetLastError();
  const struct { PlantedNode *node; DWORD bufferSize, code, required; } cases[] = {
      // No buffer: the size query. The node without IDs: its property was never written.
      {&node, 0, ERROR_INSUFFICIENT_BUFFER, size}, {&node, 8, ERROR_INSUFFICIENT_BUFFER, size},
      {&node, size - 1, ERROR_INSUFFICIENT_BUFFER, size}, {&node, size, ERROR_SUCCESS, size},
      {&node, 2000, ERROR_SUCCESS, size}, {&bare, 64, ERROR_INVALID_DATA, kUnread},
  };
  for (const auto &c : cases) {
    std::string buffer(2001, '\xCC');
    DWORD type = 0, required = kUnread;
    const BOOL ok = Services().SetupDiGetDeviceRegistryPropertyA(
        c.node->set.handle, &c.node->device, SPDRP_HARDWAREID, &type, c.bufferSize ? (BYTE *)&buffer[0] : nullptr,
        c.bufferSize, c.required == kUnread ? nullptr : &required);
    EXPECT_EQ(ok ? ERROR_SUCCESS : Services().GetLastError(), c.code) << c.bufferSize;
    EXPECT_EQ(required, c.required) << c.bufferSize;
    EXPECT_TRUE(!ok || (type == REG_MULTI_SZ && buffer.substr(0, size + 1) == expected)) << "wrong or past the data";
  }
}

// Windows lists a node once it is registered; Wine (measured) lists every created node as present.
TEST_P(ContractTest, ANodeIsListedOnceRegisteredAndGoneOnceRemoved) {
  const std::string scannedId = ContractHardwareId(6), ownId = ContractHardwareId(7);
  PlantedNode scanned(Services(), "QCT_NODE", kContractClassGuid, {scannedId}, /*registerNode=*/false);
  PlantedNode own(Services(), "QCT_NODE", kContractClassGuid, {ownId}, /*registerNode=*/false);
  ASSERT_TRUE(scanned.ok && own.ok) << Services().GetLastError();
  EXPECT_EQ(Present(Services(), scannedId).size(), WineLike() ? 1u : 0u) << "listed before registration";
  for (PlantedNode *node : {&scanned, &own})
    ASSERT_TRUE(Services().SetupDiCallClassInstaller(DIF_REGISTERDEVICE, node->set.handle, &node->device));
  EXPECT_EQ(Present(Services(), scannedId).size() + Present(Services(), ownId).size(), 2u);

  // One removed through an enumeration's set, as the scan does; the other by DIF_REMOVE on its own set.
  // Windows clears the code on success; Wine (measured per call) leaves it as it was.
  Services().SetLastError(0xDEADBEEF);
  ScopedSet scan{Services(), Services().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentAll | DIGCF_PROFILE)};
  EXPECT_EQ(Services().GetLastError(), WineLike() ? 0xDEADBEEFu : 0u) << "after a successful call";
  SP_DEVINFO_DATA device = kEmptyRecord;
  for (DWORD i = 0; Services().SetupDiEnumDeviceInfo(scan.handle, i, &device); ++i)
    if (Property(Services(), scan.handle, device, SPDRP_HARDWAREID) == scannedId)
      break;
  ASSERT_TRUE(Services().SetupDiRemoveDevice(scan.handle, &device));
  ASSERT_TRUE(Services().SetupDiCallClassInstaller(DIF_REMOVE, own.set.handle, &own.device));
  EXPECT_EQ(Present(Services(), scannedId).size() + Present(Services(), ownId).size(), 0u);
  // The unit tests read removals back, and prove sets released, this way.
  EXPECT_TRUE(!Sim() || (Sim()->RemovedInstanceIds().size() == 2 && Sim()->OpenSetCount() == 3));
  // The scan's element stays in its set, but it names no device any more.
  EXPECT_EQ(Property(Services(), scan.handle, device, SPDRP_HARDWAREID), "");
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
}

} // namespace
