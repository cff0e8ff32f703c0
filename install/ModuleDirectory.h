#pragma once
// The directory of the running executable.

#include "platform/CString.h"

// The path up to its last backslash at index 1 or later (the backslash dropped); a trail byte of a
// double-byte character is never a backslash. Empty when there is none.
CString DirectoryOfPath(const char *path, int length);

// The executable's directory, however long its path; empty when the path cannot be read.
CString ExecutableDirectory();
