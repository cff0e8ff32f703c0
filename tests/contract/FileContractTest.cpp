// The calls that read files: the class an INF declares, from sound, damaged and unusual files; the file
// check; the module's own path. The same cases against every backend, each known Wine difference marked.

#include <cstring>

#include "ContractBackend.h"

namespace {

const DWORD kAnyFault = 0xFFFFFFFF; // a code that names some fault (neither 0 nor the one set before)
const GUID kNoGuid{};

// A name of nullptr is not relied on; "x" is the buffer as it was, no name written.
// The size output is not relied on (the logic passes none; Wine writes garbage into it after a failure).
struct Outcome { BOOL ok; DWORD code = 0; const char *name = nullptr; const GUID *guid = nullptr; };
const Outcome kContract{.ok = TRUE, .name = "QuarvelContract", .guid = &kContractClassGuid};
const Outcome kModem{.ok = TRUE, .name = "Modem", .guid = &kModemClassGuid};
const Outcome kMissing{.ok = FALSE, .code = ERROR_FILE_NOT_FOUND};
const Outcome kRefused{.ok = FALSE, .code = kAnyFault};

// A class identifier as bytes, which a failure message shows.
std::string Bytes(const GUID &guid) { return std::string(reinterpret_cast<const char *>(&guid), sizeof guid); }

TEST_P(ContractTest, ReadsTheClassOrRefusesTheFile) {
  const struct { const char *file; Outcome windows, wine; } cases[] = {
      {.file = "contract_class.inf", .windows = kContract, .wine = kContract},
      {.file = "contract_modem.inf", .windows = kModem, .wine = kModem},
      {.file = "contract_modem_utf16.inf", .windows = kModem, .wine = kModem},
      {.file = "no_such_file.inf", .windows = kMissing, .wine = kMissing},
      // Windows names the fault; Wine fails with the code cleared.
      {.file = "no_version.inf", .windows = kRefused, .wine = {.ok = FALSE}},
      {.file = "no_class.inf", .windows = kRefused, .wine = {.ok = FALSE}},
      // Windows looks the identifier up by the class name; Wine leaves it unwritten.
      {.file = "class_name_only.inf", .windows = kModem, .wine = {.ok = TRUE, .name = "Modem", .guid = &kNoGuid}},
      // Wine succeeds with code 87 and writes no name (Windows not measured here).
      {.file = "class_guid_only.inf", .windows = {.ok = TRUE, .name = "", .guid = &kModemClassGuid},
       .wine = {.ok = TRUE, .code = ERROR_INVALID_PARAMETER, .name = "x", .guid = &kModemClassGuid}},
      // The identifier is read first: one that does not parse fails the call, whatever the name.
      {.file = "class_guid_short.inf", .windows = kRefused, .wine = {.ok = FALSE, .code = ERROR_INVALID_PARAMETER}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.file);
    const Outcome &want = WineLike() ? c.wine : c.windows;
    std::string name = "x" + std::string(259, '\0');
    GUID guid{};
    Services().SetLastError(0xDEADBEEF);
    const BOOL ok = Services().SetupDiGetINFClassA(DataPath(c.file).c_str(), &guid, &name[0], 260, nullptr);
    const DWORD code = Services().GetLastError();
    EXPECT_EQ(ok, want.ok);
    if (want.code == kAnyFault) {
      EXPECT_NE(code, 0u);
      EXPECT_NE(code, 0xDEADBEEFu) << "the code set before";
    } else {
      EXPECT_EQ(code, want.code);
    }
    if (ok && want.ok) {
      EXPECT_EQ(std::string(name.c_str()), want.name);
      EXPECT_EQ(Bytes(guid), Bytes(*want.guid)) << "the class identifier";
    }
  }
}

// A folder is found by its name, never by its name and a separator. Windows (since Vista) ends a
// truncated module path with a zero byte; Wine (measured) does not.
TEST_P(ContractTest, FilesAreFoundByExactPathAndTheModulePathIsCutToTheBuffer) {
  const struct { const char *path; DWORD code; } cases[] = {
      {.path = "contract_class.inf", .code = ERROR_SUCCESS},
      {.path = "absent.inf", .code = ERROR_FILE_NOT_FOUND},
      {.path = "../contract", .code = ERROR_SUCCESS},
      {.path = "absent_folder/absent.inf", .code = ERROR_PATH_NOT_FOUND},
      {.path = "../contract/", .code = ERROR_FILE_NOT_FOUND},
  };
  for (const auto &c : cases) {
    Services().SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Services().FileExists(DataPath(c.path).c_str()), c.code == ERROR_SUCCESS) << c.path;
    EXPECT_EQ(Services().GetLastError(), c.code) << c.path;
  }
  char full[MAX_PATH + 1] = {}, cut[8] = "#######";
  const DWORD length = Services().GetModuleFileNameA(nullptr, full, MAX_PATH);
  EXPECT_GT(length, 5u) << full;
  EXPECT_EQ(std::strlen(full), length) << full;
  EXPECT_EQ(Services().GetModuleFileNameA(nullptr, cut, 5), 5u);
  EXPECT_EQ(std::string(cut, 6), std::string(full, 4) + (WineLike() ? full[4] : '\0') + '#') << "past the buffer";
}

} // namespace
