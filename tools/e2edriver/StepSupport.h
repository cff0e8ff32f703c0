#pragma once
// What the step implementations share: default deadlines and argument parsing.

#include <windows.h>

#include <string>
#include <vector>

namespace steps {

const DWORD kDialogTimeout = 15000;
const DWORD kOwnedTimeout = 30000; // an install runs before the outcome box appears
const DWORD kExitTimeout = 10000;
const DWORD kSendTimeout = 5000;
const int kMessageBoxTextId = 0xFFFF; // the text of a message box

// Decimal or 0x-prefixed hex, nothing else.
bool ParseNumber(const std::wstring &text, unsigned long &value);
// args[index] as milliseconds when present, else fallback; false (with error) when not a number.
bool OptionalTimeout(const std::vector<std::wstring> &args, size_t index, DWORD fallback, DWORD &timeout,
                     std::wstring &error);

} // namespace steps
