#include <cctype>
#include <cstdio>

#include "platform/sim/SimTreeState.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

struct KnownClass {
  const char *name;
  GUID guid;
};

// The classes tests name without an INF; any other name gets the null class identifier.
const KnownClass kKnownClasses[] = {
    {"USB", {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}}},
    {"Modem", {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Ports", {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"AndroidUsbDeviceClass", {0x3F966BD9, 0xFA04, 0x4EC5, {0x99, 0x1C, 0xD3, 0x26, 0x97, 0x3B, 0x51, 0x28}}},
};

} // namespace

bool SameGuid(const GUID &a, const GUID &b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

GUID GuidForClassName(const std::string &name) {
  for (const KnownClass &known : kKnownClasses)
    if (SimEqualNoCase(known.name, name))
      return known.guid;
  return GUID{};
}

std::string ClassNameForGuid(const GUID &guid) {
  for (const KnownClass &known : kKnownClasses)
    if (SameGuid(known.guid, guid))
      return known.name;
  return std::string();
}

std::string GuidText(const GUID &g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

bool ParseGuid(const std::string &text, GUID &guid) {
  // The registry form only: exact length, dashes and braces in place, hex digits everywhere else.
  const std::string form = "{########-####-####-####-############}";
  if (text.size() != form.size())
    return false;
  for (size_t i = 0; i < form.size(); ++i)
    if (form[i] == '#' ? !std::isxdigit(static_cast<unsigned char>(text[i])) : text[i] != form[i])
      return false;
  unsigned long data1 = 0;
  unsigned data2 = 0, data3 = 0, bytes[8] = {};
  std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &data1, &data2, &data3, &bytes[0], &bytes[1],
              &bytes[2], &bytes[3], &bytes[4], &bytes[5], &bytes[6], &bytes[7]);
  guid.Data1 = static_cast<uint32_t>(data1);
  guid.Data2 = static_cast<uint16_t>(data2);
  guid.Data3 = static_cast<uint16_t>(data3);
  for (int i = 0; i < 8; ++i)
    guid.Data4[i] = static_cast<uint8_t>(bytes[i]);
  return true;
}

std::string FourDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", n);
  return text;
}

SimDeviceTree::SimDeviceTree(SimMode mode) : m_mode(mode), m_pImpl(new Impl) {}

SimDeviceTree::~SimDeviceTree() { delete m_pImpl; }

bool SimDeviceTree::Enter(const char *operation) {
  m_calls.push_back(operation);
  int call = ++m_pImpl->calls[operation];
  for (const Impl::Fault &fault : m_pImpl->faults) {
    if (fault.operation != operation)
      continue;
    if (call == fault.firstCall || (fault.every && call > fault.firstCall)) {
      m_dwLastError = fault.code;
      return false;
    }
  }
  return true;
}

BOOL SimDeviceTree::Succeed() {
  if (RulesFor(m_mode).successClearsCode)
    m_dwLastError = ERROR_SUCCESS;
  return TRUE;
}

BOOL SimDeviceTree::Fail(DWORD code) {
  m_dwLastError = code;
  return FALSE;
}

HDEVINFO SimDeviceTree::FailHandle(DWORD code) {
  m_dwLastError = code;
  return INVALID_HANDLE_VALUE;
}

HDEVINFO SimDeviceTree::NewSet(bool hasClass, const GUID &classGuid, std::vector<DWORD> members) {
  uintptr_t handle = m_pImpl->nextHandle;
  m_pImpl->nextHandle += 0x40;
  Impl::DevSet &set = m_pImpl->sets[handle];
  set.hasClass = hasClass;
  set.classGuid = classGuid;
  set.members = std::move(members);
  set.memberIndex.insert(set.members.begin(), set.members.end());
  ++m_nSetsCreated;
  Succeed();
  return reinterpret_cast<HDEVINFO>(handle);
}

// The element that a record names in a set, or nullptr with the code set.
SimDeviceTree::Node *SimDeviceTree::Element(HDEVINFO handle, const SP_DEVINFO_DATA *data) {
  Impl::DevSet *set = m_pImpl->OpenSet(handle);
  if (!set) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!data || data->cbSize != sizeof(SP_DEVINFO_DATA) || data->Reserved == 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD devInst = static_cast<DWORD>(data->Reserved);
  Node *node = set->memberIndex.count(devInst) ? m_pImpl->NodeByDevInst(devInst) : nullptr;
  if (!node) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!node->alive) {
    Fail(ERROR_NO_SUCH_DEVINST);
    return nullptr;
  }
  return node;
}

void SimDeviceTree::RemoveNode(Node &node) {
  node.alive = false;
  node.ownerSet = 0;
  m_removed.push_back(node.device.instanceId);
}

// ---- Arranging ----

std::string SimDeviceTree::AddPresentDevice(const std::vector<std::string> &hardwareIds, const std::string &className) {
  SimDevice device;
  std::string base = hardwareIds.empty() || hardwareIds[0].empty() ? std::string("USB\\SIM_DEVICE") : hardwareIds[0];
  if (base.find('\\') == std::string::npos)
    base = "USB\\" + base;
  device.instanceId = SimUpper(base) + "\\" + std::to_string(m_pImpl->nextSerial++);
  device.hardwareIds = hardwareIds;
  device.className = className;
  device.classGuid = GuidForClassName(className);
  return m_pImpl->AddNode(std::move(device)).device.instanceId;
}

std::string SimDeviceTree::AddPresentDeviceWithoutIds(const std::string &className) {
  std::string id = AddPresentDevice({}, className);
  m_pImpl->AliveNode(id)->device.hardwareIds.reset();
  return id;
}

std::string SimDeviceTree::AddAbsentDevice(const std::vector<std::string> &hardwareIds, const std::string &className) {
  std::string id = AddPresentDevice(hardwareIds, className);
  m_pImpl->AliveNode(id)->device.present = false;
  return id;
}

void SimDeviceTree::SetRawHardwareIds(const std::string &instanceId, const std::string &bytes) {
  if (Node *node = m_pImpl->AliveNode(instanceId))
    node->device.rawHardwareIds = bytes;
}

void SimDeviceTree::SetInstalledInf(const std::string &instanceId, const std::string &infPath) {
  if (Node *node = m_pImpl->AliveNode(instanceId))
    node->device.installedInf = infPath;
}

void SimDeviceTree::SetModuleFileName(const std::string &path, DWORD failureCode) {
  m_pImpl->moduleFileName = path;
  m_pImpl->moduleFailureCode = failureCode;
}

void SimDeviceTree::FailCall(const std::string &operation, int nth, DWORD code, bool every) {
  int done = 0;
  auto found = m_pImpl->calls.find(operation);
  if (found != m_pImpl->calls.end())
    done = found->second;
  m_pImpl->faults.push_back(Impl::Fault{operation, done + (nth < 1 ? 1 : nth), code, every});
}

void SimDeviceTree::ClearFaults() { m_pImpl->faults.clear(); }

// ---- Reading the tree back ----

std::vector<SimDevice> SimDeviceTree::Devices() const {
  std::vector<SimDevice> devices;
  for (const Node &node : m_pImpl->nodes)
    if (node.alive && node.device.registered)
      devices.push_back(node.device);
  return devices;
}

const SimDevice *SimDeviceTree::FindDevice(const std::string &instanceId) const {
  Node *node = m_pImpl->AliveNode(instanceId);
  return node ? &node->device : nullptr;
}

int SimDeviceTree::CallCount(const std::string &operation) const {
  auto found = m_pImpl->calls.find(operation);
  return found == m_pImpl->calls.end() ? 0 : found->second;
}

int SimDeviceTree::OpenSetCount() const {
  int open = 0;
  for (const auto &entry : m_pImpl->sets)
    open += entry.second.destroyed ? 0 : 1;
  return open;
}

// ---- Base services ----

bool SimDeviceTree::FileExists(PCSTR path) {
  if (!Enter("FileExists"))
    return false;
  if (!path || !*path) {
    m_dwLastError = ERROR_PATH_NOT_FOUND;
    return false;
  }
#ifdef _WIN32
  WIN32_FIND_DATAA data;
  HANDLE search = ::FindFirstFileA(path, &data);
  if (search == INVALID_HANDLE_VALUE) {
    m_dwLastError = ::GetLastError();
    return false;
  }
  ::FindClose(search);
  return true;
#else
  // As a search for exactly this path: a trailing separator names no file, and a missing folder
  // is a missing path rather than a missing file.
  std::string text = path;
  if (text.back() == '/' || text.back() == '\\') {
    m_dwLastError = ERROR_FILE_NOT_FOUND;
    return false;
  }
  struct stat info;
  if (::stat(text.c_str(), &info) != 0) {
    size_t slash = text.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? std::string(".") : text.substr(0, slash == 0 ? 1 : slash);
    m_dwLastError = ::stat(folder.c_str(), &info) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return false;
  }
  return true;
#endif
}

DWORD SimDeviceTree::GetModuleFileNameA(HMODULE, PSTR fileName, DWORD size) {
  if (!Enter("GetModuleFileNameA"))
    return 0;
  const std::string &path = m_pImpl->moduleFileName;
  if (path.empty()) {
    m_dwLastError = m_pImpl->moduleFailureCode;
    return 0;
  }
  if (!fileName || size == 0) {
    m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  if (path.size() < size) {
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  // Truncated: Windows (since Vista) still ends it with a zero byte.
  if (!RulesFor(m_mode).truncatedNameEnds) {
    std::memcpy(fileName, path.data(), size);
  } else {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
  }
  m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
  return size;
}

#ifndef _WIN32
DeviceServices &DefaultDeviceServices() {
  static SimDeviceTree tree;
  return tree;
}
#endif
