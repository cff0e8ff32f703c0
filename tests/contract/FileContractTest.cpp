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

TEST_P(ContractTest, ReadsTheClassOrRefusesTheFile) {
  const struct { const char *file; DWORD nameSize; Outcome windows, wine; } cases[] = {
      {"contract_class.inf", 260, kContract, kContract}, {"contract_modem.inf", 260, kModem, kModem},
      {"contract_modem_utf16.inf", 260, kModem, kModem}, {"no_such_file.inf", 260, kMissing, kMissing},
      // Windows wants the size; Wine succeeds, as the identifier was read, and leaves no usable name.
      {"contract_class.inf", 4, {FALSE, ERROR_INSUFFICIENT_BUFFER, nullptr, nullptr},
       {TRUE, ERROR_INSUFFICIENT_BUFFER, nullptr, &kContractClassGuid}},
      // Windows names the fault; Wine fails with the code cleared.
      {"no_version.inf", 260, kRefused, {FALSE, 0, nullptr, nullptr}},
      {"no_class.inf", 260, kRefused, {FALSE, 0, nullptr, nullptr}},
      // Windows looks the identifier up by the class name; Wine leaves it unwritten.
      {"class_name_only.inf", 260, kModem, {TRUE, 0, "Modem", &kNoGuid}},
      // Wine succeeds with code 87 and writes no name (Windows not measured here).
      {"class_guid_only.inf", 260, {TRUE, 0, "", &kModemClassGuid},
       {TRUE, ERROR_INVALID_PARAMETER, "x", &kModemClassGuid}},
      // The identifier is read first: one that does not parse fails the call, whatever the name.
      {"class_guid_short.inf", 260, kRefused, {FALSE, ERROR_INVALID_PARAMETER, nullptr, nullptr}},
      {"class_guid_not_hex.inf", 260, kRefused, {FALSE, ERROR_INVALID_PARAMETER, nullptr, nullptr}},
      // Wine drops the first and last characters unread, so other brackets pass (Windows not measured).
      {"class_guid_parentheses.inf", 260, kRefused, kModem},
      // Wine's profile reader takes lone carriage returns and UTF-16BE; the documented forms are ANSI
      // and UTF-16LE with CR LF (Windows not measured here).
      {"class_cr_line_ends.inf", 260, kRefused, kModem}, {"class_utf16be.inf", 260, kRefused, kModem},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << ", name buffer " << c.nameSize);
    const Outcome &want = WineLike() ? c.wine : c.windows;
    std::string name = "x" + std::string(c.nameSize - 1, '\0');
    GUID guid{};
    Services().SetLastError(0xDEADBEEF);
    const BOOL ok = Services().SetupDiGetINFClassA(DataPath(c.file).c_str(), &guid, &name[0], c.nameSize, nullptr);
    const DWORD code = Services().GetLastError();
    EXPECT_EQ(ok, want.ok);
    EXPECT_TRUE(want.code == kAnyFault ? code != 0 && code != 0xDEADBEEF : code == want.code) << code;
    EXPECT_TRUE(!ok || !want.name || std::string(name.c_str()) == want.name) << name.c_str();
    EXPECT_TRUE(!ok || !want.ok || std::memcmp(&guid, want.guid, sizeof(GUID)) == 0);
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
  EXPECT_TRUE(length > 5 && std::strlen(full) == length) << full;
  EXPECT_EQ(Services().GetModuleFileNameA(nullptr, cut, 5), 5u);
  EXPECT_EQ(Services().GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(cut, 6), std::string(full, 4) + (WineLike() ? full[4] : '\0') + '#') << "past the buffer";
}

} // namespace
