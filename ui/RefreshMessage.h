#pragma once
// The registered message that asks the main dialog to scan again. Its name carries the computer
// name, so only programs on the same computer that build it the same way share the number.

#include "platform/CString.h"

#include <windows.h>

// Registered once at start-up; the dialog's message table reads it when a message arrives.
extern UINT g_nRefreshMessage;

// "DevMgrRefreshOn" followed by the computer name (nothing follows when the name cannot be read).
CString MakeRefreshMessageName();
