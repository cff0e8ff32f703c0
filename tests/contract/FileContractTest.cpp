// The calls that read files: the class an INF declares, from sound, damaged and unusual files; the file
// check; the module's own path. The same cases against every backend, each known Wine difference marked.

#include <cstring>

#include "ContractBackend.h"

namespace {

const DWORD kAnyFault = 0xFFFFFFFF; // a code that names some fault (neither 0 nor the one set before)
const GUID kNoGuid{};

// A name of nullptr is not relied on; "x" is the buffer as it was, no name written.
// The size output is not relied on (the logic passes none; Wine writes garbage into it after a failure).
struct Outcome { BOOL ok; DWORD code; const char *name; const GUID *guid; };
const Outcome kContract{TRUE, 0, "QuarvelContract", &kContractClassGuid};
const Outcome kModem{TRUE, 0, "Modem", &kModemClassGuid};
const Outcome kMissing{FALSE, ERROR_FILE_NOT_FOUND, nullptr, nullptr};
const Outcome kRefused{FALSE, kAnyFault, nullptr, nullptr};

// A class identifier as bytes, which a failure message shows.
std::string Bytes(const GUID &guid) { return std::string(reinterpret_cast<const char *>(&guid), sizeof guid); }

TEST_P(ContractTest, ReadsTheClassOrRefusesTheFile) {
  const struct { const char *file; Outcome windows, wine; } cases[] = {
      {"contract_class.inf", kContract, kContract}, {"contract_modem.inf", kModem, kModem},
      {"contract_modem_utf16.inf", kModem, kModem}, {"no_such_file.inf", kMissing, kMissing},
      // Windows names the fault; Wine fails with the code cleared.
      {"no_version.inf", kRefused, {FALSE, 0, nullptr, nullptr}},
      {"no_class.inf", kRefused, {FALSE, 0, nullptr, nullptr}},
      // Windows looks the identifier up by the class name; Wine leaves it unwritten.
      {"class_name_only.inf", kModem, {TRUE, 0, "Modem", &kNoGuid}},
      // Wine succeeds with code 87 and writes no name (Windows not measured here).
      {"class_guid_only.inf", {TRUE, 0, "", &kModemClassGuid}, {TRUE, ERROR_INVALID_PARAMETER, "x", &kModemClassGuid}},
      // The identifier is read first: one that does not parse fails the call, whatever the name.
      {"class_guid_short.inf", kRefused, {FALSE, ERROR_INVALID_PARAMETER, nullptr, nullptr}},
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
      {"contract_class.inf", ERROR_SUCCESS}, {"absent.inf", ERROR_FILE_NOT_FOUND}, {"../contract", ERROR_SUCCESS},
      {"absent_folder/absent.inf", ERROR_PATH_NOT_FOUND}, {"../contract/", ERROR_FILE_NOT_FOUND},
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
