#pragma once
// The trace channel: short texts set as the window text of a top-level window titled
// "DebugHelper ", when one is open. Tracing never changes the thread's last-error code.

#include <string>

// Formats printf-style into a 512-byte buffer and delivers it. A longer text is cut to its first 511
// bytes, or 510 when a double-byte character would be split (the cut goes before its lead byte);
// DebugTraceText cuts the same way.
void DebugTrace(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Delivers a complete text as it stands: percent signs in it are not conversions.
void DebugTraceText(const char *text);

// Called inside a catch block: traces what was thrown ("Exception: " and its words, or "Exception") and
// returns its words, empty for what is no std::exception.
std::string TraceCaughtException();
