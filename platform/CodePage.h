#pragma once
// The ANSI code page's double-byte rules, for byte-wise scans that must not split a character, and
// the conversion of UTF-16 text into that code page. On Windows this is the system's code page;
// elsewhere code page 936, the one the texts are written in.

#include <cstddef>
#include <string>

bool IsAnsiLeadByte(unsigned char byte);

// Where wanted first occurs in text starting at a character, or npos: a match that begins on the
// trail byte of a double-byte character is none (in code page 936 a trail byte may be '[').
std::size_t FindAtCharacterStart(const std::string &text, const std::string &wanted);

// How many of text's first limit bytes (text holds at least that many) make whole characters: a
// double-byte character that the limit would split is left out.
std::size_t WholeCharacterLength(const char *text, std::size_t limit);

// UTF-16 text as the ANSI code page spells it, as reading the file in that code page would give; a
// character that the code page cannot spell becomes '?'.
std::string AnsiFromUtf16(const std::u16string &text);
// Text in the ANSI code page as UTF-16, for wide text on the screen.
std::u16string Utf16FromAnsi(const std::string &text);
