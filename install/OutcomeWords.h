#pragma once
// The words the dialog shows for an install's outcome besides its specified texts: for each driver that
// did not install, what to do, the system's own words and the code; the restart an install asked for;
// and where Windows logs its installs. English like the dialog's other texts; the system's words come
// in the user's language.

#include <string>
#include <vector>

#include "install/InstallerCore.h"
#include "platform/SystemText.h"

// Follows the success text when an install asked for a restart.
inline constexpr char16_t kRestartText[] = u"Restart Windows to finish installing the drivers.";

// The details' lines. After a failure: one for each driver that did not install, the restart line
// when an install asked for one, and last the system's install log. After a success: the restart line
// when one is needed.
std::vector<std::u16string> OutcomeDetails(const InstallOutcome &outcome, SystemText &system);

// The code that the system's message table holds a code's words under: SetupAPI's own codes
// (0xE000xxxx) in their HRESULT form, as HRESULT_FROM_SETUPAPI gives it (0x800Fxxxx).
DWORD MessageTableCode(DWORD code);
