#include "install/HardwareIdReader.h"

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

CHardwareIdReader::Outcome CHardwareIdReader::ReadDevice(HDEVINFO set, SP_DEVINFO_DATA &device) {
  DeviceServices &services = Platform();
  m_buffer.assign(m_firstSize, 0);
  m_size = 0;
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(m_buffer.size());
    DWORD required = capacity;
    if (services.SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                   m_buffer.empty() ? nullptr : m_buffer.data(), capacity, &required)) {
      m_size = required < capacity ? required : capacity;
      return Read;
    }
    const DWORD code = services.GetLastError();
    if (code == ERROR_INVALID_DATA)
      return NoHardwareIds;
    if (code != ERROR_INSUFFICIENT_BUFFER)
      return Failed;
    if (required <= capacity || required > m_maxSize)
      return Unusable;
    m_buffer.assign(required, 0);
  }
}

CString CHardwareIdReader::First() const {
  return m_size ? StringAt(m_buffer.data(), BoundedLength(m_buffer.data(), m_size)) : CString();
}

std::vector<CString> CHardwareIdReader::Strings() const {
  std::vector<CString> strings;
  for (size_t offset = 0; offset < m_size;) {
    const size_t length = BoundedLength(m_buffer.data() + offset, m_size - offset);
    if (length == 0)
      break;
    strings.push_back(StringAt(m_buffer.data() + offset, length));
    offset += length + 1;
  }
  return strings;
}
