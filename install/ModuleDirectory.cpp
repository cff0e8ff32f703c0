#include "install/ModuleDirectory.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/DeviceServices.h"

namespace {

// First size tried for the executable's path, and the longest path the platform can give.
const DWORD kFirstPathSize = 256;
const DWORD kMaxPathSize = 32768;

} // namespace

CString DirectoryOfPath(const char *path, int length) {
  int last = -1;
  for (int i = 0; i < length; ++i) {
    if (IsAnsiLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < length) {
      ++i;
      continue;
    }
    if (path[i] == '\\' && i >= 1)
      last = i;
  }
  return last < 0 ? CString() : CString(path, last);
}

CString ExecutableDirectory() {
  DeviceServices &services = Platform();
  std::vector<char> path;
  DWORD length = 0;
  for (DWORD size = kFirstPathSize;; size *= 2) {
    path.assign(size + 1, '\0');
    length = services.GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0)
      return CString();
    if (length < size)
      break;
    // Filled completely: the path may have been cut, so try a larger buffer.
    if (size >= kMaxPathSize)
      return CString();
  }
  return DirectoryOfPath(path.data(), static_cast<int>(length));
}
