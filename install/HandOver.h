#pragma once
// On 64-bit Windows the 32-bit build cannot install drivers (its installing calls fail with
// ERROR_IN_WOW64): it runs the x86_64 build that ships beside it instead, and ends as that one ends.

#include <optional>

#include "platform/ProcessFacts.h"

inline constexpr char k64BitBuildName[] = "Quarvel64.exe";

// The exit code of the 64-bit build when it ran: this process then ends with it, without its dialog.
// Nothing when this process goes on itself: it is not a 32-bit one on 64-bit Windows, or the file
// beside it is missing, is not this program's x86_64 build of the same version, or did not start.
std::optional<DWORD> HandOverTo64BitBuild(ProcessFacts &facts);
