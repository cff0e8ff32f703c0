// The base services beside the device calls: the file check and the module's own path.

#include <cstring>

#include "ContractBackend.h"

namespace {

TEST_P(ContractTest, FileExistsFindsExactlyThatPath) {
  const struct { const char *path; DWORD code; } cases[] = {
      {"contract_class.inf", ERROR_SUCCESS},
      {"absent.inf", ERROR_FILE_NOT_FOUND},
      {"absent_folder/absent.inf", ERROR_PATH_NOT_FOUND},
      {"../contract", ERROR_SUCCESS}, // a folder is found by its name, never by its name and a separator
      {"../contract/", ERROR_FILE_NOT_FOUND},
  };
  for (const auto &c : cases) {
    Services().SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Services().FileExists(DataPath(c.path).c_str()), c.code == ERROR_SUCCESS) << c.path;
    EXPECT_EQ(Services().GetLastError(), c.code) << c.path;
  }
}

// Windows (since Vista) ends a truncated path with a zero byte; Wine (measured) does not.
TEST_P(ContractTest, ModuleFileNameIsCopiedOrTruncatedWithInsufficientBuffer) {
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

} // namespace
