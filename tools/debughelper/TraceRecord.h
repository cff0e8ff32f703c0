#pragma once
// One received trace text as one line of the capture file: "<seq>\t<text>\n", where the text
// has backslash, line feed, carriage return and tab written as \\ \n \r \t and every other control
// byte as \xNN, so that a text holding line feeds still takes exactly one line.

#include <string>

std::string EscapeTraceText(const std::string &text);
std::string FormatTraceRecord(unsigned long sequence, const std::string &text);
