#pragma once
// Reading a registry multi-string (strings separated by one zero byte, ended by two) that the
// platform returned, never past the bytes it returned: a value that lacks its terminating zeros
// ends at the last byte.

#include <cstddef>
#include <vector>

#include "platform/CString.h"
#include "platform/PlatformTypes.h"

// The strings in order, up to the first empty one.
std::vector<CString> SplitMultiString(const BYTE *data, size_t size);

// The first string, or empty.
CString FirstMultiString(const BYTE *data, size_t size);
