#pragma once
// Byte texts of a fixed code page turned into wide text, so that they show the same characters on a
// system of any language.

#include <string>

std::wstring WideFromCodePage(unsigned codePage, const char *text);
