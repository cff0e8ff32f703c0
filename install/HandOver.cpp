#include "install/HandOver.h"

#include "trace/DebugTrace.h"

namespace {

const WORD kMachineX64 = 0x8664;

// Windows file names ignore letter case.
bool IsSameFileName(CString a, CString b) { return a.MakeUpper() == b.MakeUpper(); }

CString VersionText(std::uint64_t version) {
  CString text;
  text.Format("%u.%u.%u.%u", static_cast<unsigned>(version >> 48), static_cast<unsigned>(version >> 32 & 0xFFFF),
              static_cast<unsigned>(version >> 16 & 0xFFFF), static_cast<unsigned>(version & 0xFFFF));
  return text;
}

// Why the program beside this one is not its x86_64 build: it is run elevated whenever this one is,
// so a stale build of another version, or any file planted under its name, is not started. Empty
// when it is that build.
CString WhyNotThe64BitBuild(const std::optional<ProgramFile> &build, const std::optional<ProgramFile> &own) {
  CString why;
  if (!build || !own)
    why = "there is no version block to compare";
  else if (build->machine != kMachineX64)
    why.Format("it is not x86_64 code (machine 0x%X)", static_cast<unsigned>(build->machine));
  else if (build->productName != own->productName)
    why = "its version block names another product";
  else if (build->fileVersion != own->fileVersion)
    why = "it is version " + VersionText(build->fileVersion) + ", not " + VersionText(own->fileVersion);
  return why;
}

} // namespace

std::optional<DWORD> HandOverTo64BitBuild(ProcessFacts &facts) {
  if (!facts.Is32BitOn64BitWindows())
    return std::nullopt;
  // A 32-bit build renamed after the 64-bit one would only start itself again, without end.
  if (IsSameFileName(facts.ExecutableName(), k64BitBuildName))
    return std::nullopt;
  // Without the 64-bit build the program goes on as ever; its failing installing calls say why.
  if (!facts.ExistsBesideExecutable(k64BitBuildName))
    return std::nullopt;
  const CString why = WhyNotThe64BitBuild(facts.ReadBesideExecutable(k64BitBuildName), facts.ReadExecutable());
  if (!why.IsEmpty()) {
    DebugTrace("%s not started: %s\n", k64BitBuildName, why.GetString());
    return std::nullopt;
  }
  DebugTrace("64-bit Windows: running %s\n", k64BitBuildName);
  DWORD exitCode = 0;
  const DWORD code = facts.RunBesideExecutable(k64BitBuildName, exitCode);
  if (code != ERROR_SUCCESS) {
    DebugTrace("%s did not start (%lu)\n", k64BitBuildName, static_cast<unsigned long>(code));
    return std::nullopt;
  }
  DebugTrace("%s ended with exit code %lu\n", k64BitBuildName, static_cast<unsigned long>(exitCode));
  return exitCode;
}
