// The base services beside the device calls: the file check, the module's own path, the last-error code.

#include <cstring>

#include "ContractBackend.h"

namespace {

class BaseServicesContract : public ContractTest {};
QUARVEL_CONTRACT_SUITE(BaseServicesContract);

TEST_P(BaseServicesContract, FileExistsFindsExactlyThatPath) {
  EXPECT_TRUE(Services().FileExists(DataPath("contract/contract_class.inf").c_str()));
  EXPECT_FALSE(Services().FileExists(DataPath("contract/absent.inf").c_str()));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Services().FileExists(DataPath("contract/absent_folder/absent.inf").c_str()));
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // A folder is found by its name, never by its name and a separator.
  EXPECT_TRUE(Services().FileExists(DataPath("contract").c_str()));
  EXPECT_FALSE(Services().FileExists(DataPath("contract/").c_str()));
}

// Windows (since Vista) ends a truncated path with a zero byte; Wine (measured) does not.
TEST_P(BaseServicesContract, ModuleFileNameIsCopiedOrTruncatedWithInsufficientBuffer) {
  char full[MAX_PATH + 1] = {};
  DWORD length = Services().GetModuleFileNameA(nullptr, full, MAX_PATH);
  ASSERT_GT(length, 5u);
  EXPECT_EQ(std::strlen(full), length);

  char cut[8];
  std::memset(cut, '#', sizeof cut);
  Services().SetLastError(0);
  EXPECT_EQ(Services().GetModuleFileNameA(nullptr, cut, 5), 5u);
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(cut, 4), std::string(full, 4));
  EXPECT_EQ(cut[4], WineLike() ? full[4] : '\0');
  EXPECT_EQ(cut[5], '#') << "wrote past the buffer";
}

TEST_P(BaseServicesContract, TheLastErrorCodeIsKeptUntilChanged) {
  Services().SetLastError(0xE000020B);
  EXPECT_EQ(Services().GetLastError(), 0xE000020Bu);
  EXPECT_EQ(Services().GetLastError(), 0xE000020Bu);
}

} // namespace
