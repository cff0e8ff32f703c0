#include "TraceRecord.h"

#include <cstdio>

std::string EscapeTraceText(const std::string &text) {
  std::string escaped;
  escaped.reserve(text.size() + 8);
  for (unsigned char c : text) {
    switch (c) {
    case '\\': escaped += "\\\\"; break;
    case '\n': escaped += "\\n"; break;
    case '\r': escaped += "\\r"; break;
    case '\t': escaped += "\\t"; break;
    default:
      if (c < 0x20 || c == 0x7F) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        escaped += hex;
      } else {
        escaped += static_cast<char>(c);
      }
    }
  }
  return escaped;
}

std::string FormatTraceRecord(unsigned long sequence, const std::string &text) {
  return std::to_string(sequence) + '\t' + EscapeTraceText(text) + '\n';
}
