#pragma once
// The folder button's action. While a pass runs the button does nothing at all: the driver update
// may show its own ownerless prompt, which leaves the dialog enabled, and another program may click
// while the trace channel waits in a sent message. No browser may open then.

#include <functional>

#include "install/InstallerCore.h"

// Asks chooseFolder for a folder and runs the folder install over it. False, without asking, while
// a pass runs; false too when no folder was chosen.
bool RunFolderInstallFromChoice(CInstallerCore &core, const std::function<CString()> &chooseFolder);
