#include "install/OutcomeWords.h"

#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"

namespace {

const char16_t kRunAsAdministrator[] = u"Run Quarvel as administrator (right-click, Run as administrator).";
const char16_t kPut64BitBuildBeside[] = u"Put Quarvel64.exe beside Quarvel.exe.";
const char16_t kUseOriginalPackage[] =
    u"Use the original, unmodified driver package; choose Install if Windows asks.";
const char16_t kInfDamaged[] = u"The INF file is damaged: get the driver package again.";
const char16_t kNoDriverForDevice[] =
    u"This INF has no driver for the device: check that it is the package for this phone.";
const char16_t kWaitForOtherInstall[] = u"Wait for the other installation, or restart Windows, then try again.";
const char16_t kAskAdministrator[] = u"A system policy blocks this install: ask your administrator.";

// The common causes of a failed install, by the code Windows gives for them (winerror.h, setupapi.h).
const struct {
  DWORD code;
  const char16_t *advice;
} kAdvice[] = {
    {ERROR_ACCESS_DENIED, kRunAsAdministrator},
    {ERROR_IN_WOW64, kPut64BitBuildBeside},
    {0xE000022F, kUseOriginalPackage}, // ERROR_NO_CATALOG_FOR_OEM_INF
    {0xE000023F, kUseOriginalPackage}, // ERROR_NO_AUTHENTICODE_CATALOG
    {0xE0000243, kUseOriginalPackage}, // ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED
    {ERROR_DRIVER_STORE_ADD_FAILED, kUseOriginalPackage},
    {0xE000024B, kUseOriginalPackage}, // ERROR_FILE_HASH_NOT_IN_CATALOG
    {0xE0000003, kInfDamaged},         // ERROR_GENERAL_SYNTAX
    {0xE0000217, kInfDamaged},         // ERROR_BAD_SERVICE_INSTALLSECT
    {ERROR_INVALID_DATA, kInfDamaged},
    {ERROR_NO_MORE_ITEMS, kNoDriverForDevice}, // from the driver update: no model for the device
    {ERROR_NO_DRIVER_SELECTED, kNoDriverForDevice},
    {ERROR_SECTION_NOT_FOUND, kNoDriverForDevice}, // the kind's models section is missing or empty
    {ERROR_DEVICE_INSTALLER_NOT_READY, kWaitForOtherInstall},
    {0xE0000248, kAskAdministrator}, // ERROR_DEVICE_INSTALL_BLOCKED
    {0xE0000249, kAskAdministrator}, // ERROR_DRIVER_INSTALL_BLOCKED
};

const struct {
  const char *kind;
  const char16_t *label;
} kDriverLabels[] = {{"qcmdm", u"Modem driver"}, {"qcser", u"Serial port driver"}, {"adb", u"Android USB driver"}};

std::u16string Label(const DriverKind &kind) {
  for (const auto &driver : kDriverLabels)
    if (std::strcmp(driver.kind, kind.name) == 0)
      return driver.label;
  return u"Driver";
}

const char16_t *AdviceFor(const InstallResult &result) {
  for (const auto &cause : kAdvice)
    if (cause.code == result.code)
      return cause.advice;
  // A class read that fails without a code (Wine's way) has found no class in the file.
  return result.code == ERROR_SUCCESS && std::strcmp(result.failedStep, kInfClassStep) == 0 ? kInfDamaged : nullptr;
}

// The system's words on one line: line ends, and the white space around them, become one space.
std::u16string OneLine(const std::u16string &words) {
  std::u16string line;
  for (char16_t c : words) {
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
      line += c;
    else if (!line.empty() && line.back() != u' ')
      line += u' ';
  }
  if (!line.empty() && line.back() == u' ')
    line.pop_back();
  return line;
}

std::u16string DriverLine(const PassResult &pass, SystemText &system) {
  // The INF's name is ours and joined to its folder by a backslash: the last one in the path.
  const std::string &path = pass.infPath.str();
  const std::size_t slash = path.find_last_of('\\');
  const std::u16string file = Utf16FromAnsi(path.empty() ? pass.driverKind.infFileName + 1 : path.substr(slash + 1));
  const std::u16string line = Label(pass.driverKind) + u" (" + file + u"): ";
  const InstallResult &result = pass.install;
  if (std::strcmp(result.failedStep, kInfMissingStep) == 0)
    return line + file + u" is not in " +
           (slash == std::string::npos ? u"the program's folder" : Utf16FromAnsi(path.substr(0, slash))) + u".";

  const char16_t *advice = AdviceFor(result);
  const std::u16string advised = line + (advice ? advice + std::u16string(u" ") : u"");
  if (result.code == ERROR_SUCCESS)
    return advised + u"(no error code)";
  const std::u16string words = OneLine(system.ErrorMessage(MessageTableCode(result.code)));
  char code[24];
  std::snprintf(code, sizeof code, "(error 0x%08X)", static_cast<unsigned>(result.code));
  return advised + (words.empty() ? u"" : words + u" ") + Utf16FromAnsi(code);
}

} // namespace

std::vector<std::u16string> OutcomeDetails(const InstallOutcome &outcome, SystemText &system) {
  std::vector<std::u16string> lines;
  for (const PassResult &pass : outcome.passes)
    if (!pass.install.Succeeded())
      lines.push_back(DriverLine(pass, system));
  if (outcome.RestartNeeded())
    lines.push_back(kRestartText);
  if (outcome.Verdict() == InstallVerdict::Failure)
    lines.push_back(u"Windows' install log: " + system.WindowsDirectory() + u"\\inf\\setupapi.dev.log");
  return lines;
}

DWORD MessageTableCode(DWORD code) {
  // APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR marks SetupAPI's own codes; FACILITY_SETUPAPI is 15.
  return (code & 0xE0000000) == 0xE0000000 ? 0x800F0000 | (code & 0xFFFF) : code;
}
