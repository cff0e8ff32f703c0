#pragma once
// The ANSI code page's double-byte rules, for byte-wise scans that must not split a character.
// On Windows this is the system's code page; elsewhere code page 936, the one the texts are written in.

bool IsAnsiLeadByte(unsigned char byte);
