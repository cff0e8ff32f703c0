#pragma once
// On 64-bit Windows the 32-bit build cannot install drivers (its installing calls fail with
// ERROR_IN_WOW64): it starts the x86_64 build that ships beside it and ends instead.

#include "platform/ProcessFacts.h"

inline constexpr char k64BitBuildName[] = "Quarvel64.exe";

// True when the 64-bit build was started: this process then ends without its dialog. False when
// this process goes on itself: it is not a 32-bit one on 64-bit Windows, or the 64-bit build is
// missing or did not start.
bool HandOverTo64BitBuild(ProcessFacts &facts);
