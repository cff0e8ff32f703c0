#include "install/HandOver.h"

#include "trace/DebugTrace.h"

namespace {

// Windows file names ignore letter case.
bool IsSameFileName(CString a, CString b) { return a.MakeUpper() == b.MakeUpper(); }

} // namespace

bool HandOverTo64BitBuild(ProcessFacts &facts) {
  if (!facts.Is32BitOn64BitWindows())
    return false;
  // A 32-bit build renamed after the 64-bit one would only start itself again, without end.
  if (IsSameFileName(facts.ExecutableName(), k64BitBuildName))
    return false;
  // Without the 64-bit build the program goes on as ever; its failing installing calls say why.
  if (!facts.ExistsBesideExecutable(k64BitBuildName))
    return false;
  const DWORD code = facts.StartBesideExecutable(k64BitBuildName);
  if (code != ERROR_SUCCESS) {
    DebugTrace("%s did not start (%lu)\n", k64BitBuildName, static_cast<unsigned long>(code));
    return false;
  }
  DebugTrace("64-bit Windows: started %s\n", k64BitBuildName);
  return true;
}
