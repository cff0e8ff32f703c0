// The base services beside the device calls: the file check and the module's own path.

#include <cstring>

#include "ContractBackend.h"

namespace {

// A folder is found by its name, never by its name and a separator. Windows (since Vista) ends a
// truncated module path with a zero byte; Wine (measured) does not.
TEST_P(ContractTest, FilesAreFoundByExactPathAndTheModulePathIsCutToTheBuffer) {
  const struct { const char *path; DWORD code; } cases[] = {
      {"contract_class.inf", ERROR_SUCCESS}, {"absent.inf", ERROR_FILE_NOT_FOUND},
      {"absent_folder/absent.inf", ERROR_PATH_NOT_FOUND}, {"../contract", ERROR_SUCCESS},
      {"../contract/", ERROR_FILE_NOT_FOUND},
  };
  for (const auto &c : cases) {
    Services().SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Services().FileExists(DataPath(c.path).c_str()), c.code == ERROR_SUCCESS) << c.path;
    EXPECT_EQ(Services().GetLastError(), c.code) << c.path;
  }
  char full[MAX_PATH + 1] = {}, cut[8] = "#######";
  const DWORD length = Services().GetModuleFileNameA(nullptr, full, MAX_PATH);
  EXPECT_TRUE(length > 5 && std::strlen(full) == length) << full;
  EXPECT_EQ(Services().GetModuleFileNameA(nullptr, cut, 5), 5u);
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(cut, 6), std::string(full, 4) + (WineLike() ? full[4] : '\0') + '#') << "past the buffer";
}

} // namespace
