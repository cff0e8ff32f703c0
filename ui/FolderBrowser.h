#pragma once
// The shell's folder browser.

#include "platform/CString.h"

// Lets the user pick a file-system folder, starting at the desktop, with no owner window.
// The folder's path, or an empty string when cancelled or when the folder has no path.
CString BrowseForFolder(const char *title);
