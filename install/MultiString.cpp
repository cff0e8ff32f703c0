#include "install/MultiString.h"

#include <cstring>

namespace {

// Length of the string at data, bounded by size.
size_t BoundedLength(const BYTE *data, size_t size) {
  const void *zero = std::memchr(data, 0, size);
  return zero ? static_cast<size_t>(static_cast<const BYTE *>(zero) - data) : size;
}

CString StringAt(const BYTE *data, size_t length) {
  return CString(reinterpret_cast<const char *>(data), static_cast<int>(length));
}

} // namespace

std::vector<CString> SplitMultiString(const BYTE *data, size_t size) {
  std::vector<CString> strings;
  if (!data)
    return strings;
  size_t offset = 0;
  while (offset < size) {
    const size_t length = BoundedLength(data + offset, size - offset);
    if (length == 0)
      break;
    strings.push_back(StringAt(data + offset, length));
    offset += length + 1;
  }
  return strings;
}

CString FirstMultiString(const BYTE *data, size_t size) {
  if (!data)
    return CString();
  return StringAt(data, BoundedLength(data, size));
}
