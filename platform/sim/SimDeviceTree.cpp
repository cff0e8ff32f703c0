#include "platform/sim/SimDeviceTree.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <unordered_set>

#include "platform/sim/SimInfText.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

const DWORD kReadOnlyFlag = 0x2;       // INSTALLFLAG_READONLY
const DWORD kNonInteractiveFlag = 0x4; // INSTALLFLAG_NONINTERACTIVE
const DWORD kInheritClassDriversFlag = 0x2; // DICD_INHERIT_CLASSDRVS
const DWORD kLastKnownProperty = 0x24;      // properties above this are not registry properties at all

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

bool ParseHex(const std::string &text, size_t pos, size_t digits, unsigned long &value) {
  value = 0;
  for (size_t i = pos; i < pos + digits; ++i) {
    char c = text[i];
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0)
      return false;
    value = value * 16 + static_cast<unsigned long>(v);
  }
  return true;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
bool ParseGuid(const std::string &text, GUID &guid) {
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' || text[19] != '-' ||
      text[24] != '-')
    return false;
  unsigned long v = 0;
  if (!ParseHex(text, 1, 8, v))
    return false;
  guid.Data1 = static_cast<uint32_t>(v);
  if (!ParseHex(text, 10, 4, v))
    return false;
  guid.Data2 = static_cast<uint16_t>(v);
  if (!ParseHex(text, 15, 4, v))
    return false;
  guid.Data3 = static_cast<uint16_t>(v);
  const size_t bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ParseHex(text, bytePos[i], 2, v))
      return false;
    guid.Data4[i] = static_cast<uint8_t>(v);
  }
  return true;
}

std::string MultiString(const std::vector<std::string> &strings) {
  std::string bytes;
  for (const std::string &s : strings) {
    bytes += s;
    bytes += '\0';
  }
  bytes += '\0';
  return bytes;
}

// The strings of a multi-string that fit in size bytes; a string cut off by the end still counts.
std::vector<std::string> SplitMultiString(const BYTE *buffer, DWORD size) {
  std::vector<std::string> strings;
  const char *text = reinterpret_cast<const char *>(buffer);
  DWORD pos = 0;
  while (pos < size && text[pos] != '\0') {
    DWORD end = pos;
    while (end < size && text[end] != '\0')
      ++end;
    strings.emplace_back(text + pos, end - pos);
    pos = end + 1;
  }
  return strings;
}

std::string FourDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", n);
  return text;
}

} // namespace

struct SimDeviceTree::Node {
  SimDevice device;
  DWORD devInst = 0;
  bool alive = true;      // false once removed, or dropped with the set that created it unregistered
  uintptr_t ownerSet = 0; // the set holding a node that is not registered yet
};

struct SimDeviceTree::Impl {
  struct DevSet {
    bool destroyed = false;
    bool hasClass = false;
    GUID classGuid{};
    std::vector<DWORD> members;            // devInst of each element, in enumeration order
    std::unordered_set<DWORD> memberIndex; // the same, for membership checks
  };
  struct Fault {
    std::string operation;
    int firstCall; // absolute call number of that operation
    DWORD code;
    bool every;
  };

  std::deque<Node> nodes; // a deque keeps FindDevice's pointers valid while nodes are added
  std::map<uintptr_t, DevSet> sets;
  uintptr_t nextHandle = 0x5D100000;
  int nextSerial = 1;
  std::map<std::string, int> calls;
  std::vector<Fault> faults;
  std::map<std::string, int> driverKeysPerClass;
  std::string moduleFileName = "C:\\Quarvel\\Quarvel.exe";
  DWORD moduleFailureCode = ERROR_FILE_NOT_FOUND;

  // Nodes are never erased, so a node's devInst is its position plus one.
  Node *NodeByDevInst(DWORD devInst) {
    return devInst >= 1 && devInst <= nodes.size() ? &nodes[devInst - 1] : nullptr;
  }
  Node *AliveNode(const std::string &instanceId) {
    for (Node &node : nodes)
      if (node.alive && SimEqualNoCase(node.device.instanceId, instanceId))
        return &node;
    return nullptr;
  }
  DevSet *OpenSet(HDEVINFO handle) {
    auto found = sets.find(reinterpret_cast<uintptr_t>(handle));
    return found == sets.end() || found->second.destroyed ? nullptr : &found->second;
  }
  Node &AddNode(SimDevice device) {
    Node node;
    node.device = std::move(device);
    node.devInst = static_cast<DWORD>(nodes.size() + 1);
    nodes.push_back(std::move(node));
    return nodes.back();
  }
  static void Fill(const Node &node, SP_DEVINFO_DATA &data) {
    data.ClassGuid = node.device.classGuid;
    data.DevInst = node.devInst;
    data.Reserved = node.devInst;
  }
};

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
  if (m_mode == SimMode::Windows)
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

BOOL SimDeviceTree::SetupDiGetDeviceInstanceIdA(HDEVINFO set, PSP_DEVINFO_DATA device, PSTR instanceId, DWORD size,
                                                DWORD *requiredSize) {
  if (!Enter("SetupDiGetDeviceInstanceIdA"))
    return FALSE;
  Node *node = Element(set, device);
  if (!node)
    return FALSE;
  const std::string &id = node->device.instanceId;
  DWORD needed = static_cast<DWORD>(id.size() + 1);
  if (requiredSize)
    *requiredSize = needed;
  if (!instanceId || size < needed)
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(instanceId, id.c_str(), needed);
  return Succeed();
}

// ---- Device information sets ----

HDEVINFO SimDeviceTree::SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND, DWORD flags) {
  if (!Enter("SetupDiGetClassDevsA"))
    return INVALID_HANDLE_VALUE;
  if (flags & DIGCF_DEVICEINTERFACE)
    return FailHandle(ERROR_INVALID_FLAGS); // interface sets are not simulated
  bool allClasses = (flags & DIGCF_ALLCLASSES) != 0;
  if (!allClasses && !classGuid)
    return FailHandle(ERROR_INVALID_PARAMETER);
  std::vector<DWORD> members;
  for (const Node &node : m_pImpl->nodes) {
    const SimDevice &device = node.device;
    // Wine lists every node its registry holds: created ones before registration, absent ones too.
    if (!node.alive || (!device.registered && m_mode == SimMode::Windows))
      continue;
    if ((flags & DIGCF_PRESENT) && !device.present && m_mode == SimMode::Windows)
      continue;
    if (!allClasses && !SameGuid(device.classGuid, *classGuid))
      continue;
    if (enumerator && *enumerator) {
      std::string prefix = device.instanceId.substr(0, device.instanceId.find('\\'));
      if (!SimEqualNoCase(prefix, enumerator))
        continue;
    }
    members.push_back(node.devInst);
  }
  return NewSet(!allClasses, classGuid ? *classGuid : GUID{}, std::move(members));
}

HDEVINFO SimDeviceTree::SetupDiCreateDeviceInfoList(const GUID *classGuid, HWND) {
  if (!Enter("SetupDiCreateDeviceInfoList"))
    return INVALID_HANDLE_VALUE;
  return NewSet(classGuid != nullptr, classGuid ? *classGuid : GUID{}, {});
}

BOOL SimDeviceTree::SetupDiEnumDeviceInfo(HDEVINFO handle, DWORD index, PSP_DEVINFO_DATA device) {
  if (!Enter("SetupDiEnumDeviceInfo"))
    return FALSE;
  Impl::DevSet *set = m_pImpl->OpenSet(handle);
  if (!set)
    return Fail(ERROR_INVALID_HANDLE);
  if (!device)
    return Fail(ERROR_INVALID_PARAMETER);
  if (device->cbSize != sizeof(SP_DEVINFO_DATA))
    return Fail(ERROR_INVALID_USER_BUFFER);
  if (index >= set->members.size())
    return Fail(ERROR_NO_MORE_ITEMS);
  // A removed element stays in the set; calls naming it then fail with no-such-device.
  Impl::Fill(*m_pImpl->NodeByDevInst(set->members[index]), *device);
  return Succeed();
}

BOOL SimDeviceTree::SetupDiCreateDeviceInfoA(HDEVINFO handle, PCSTR deviceName, const GUID *classGuid,
                                             PCSTR description, HWND, DWORD flags, PSP_DEVINFO_DATA device) {
  if (!Enter("SetupDiCreateDeviceInfoA"))
    return FALSE;
  Impl::DevSet *set = m_pImpl->OpenSet(handle);
  if (!set)
    return Fail(ERROR_INVALID_HANDLE);
  if (!deviceName || !*deviceName)
    return Fail(ERROR_INVALID_DEVINST_NAME);
  if (!classGuid)
    return Fail(ERROR_INVALID_PARAMETER);
  if (set->hasClass && !SameGuid(set->classGuid, *classGuid))
    return Fail(ERROR_CLASS_MISMATCH);
  if (flags & ~(DICD_GENERATE_ID | kInheritClassDriversFlag))
    return Fail(ERROR_INVALID_FLAGS);
  if (device && device->cbSize != sizeof(SP_DEVINFO_DATA))
    return Fail(ERROR_INVALID_USER_BUFFER);

  std::string name = deviceName;
  std::string instanceId;
  if (flags & DICD_GENERATE_ID) {
    if (name.find('\\') != std::string::npos)
      return Fail(ERROR_INVALID_DEVINST_NAME);
    for (int n = 0; n <= 9999 && instanceId.empty(); ++n) {
      std::string candidate = "ROOT\\" + SimUpper(name) + "\\" + FourDigits(n);
      if (!m_pImpl->AliveNode(candidate))
        instanceId = candidate;
    }
    if (instanceId.empty())
      return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  } else {
    instanceId = SimUpper(name);
    if (m_pImpl->AliveNode(instanceId))
      return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  }

  SimDevice created;
  created.instanceId = instanceId;
  created.hardwareIds.reset();
  created.classGuid = *classGuid;
  created.className = ClassNameForGuid(*classGuid);
  if (created.className.empty() && (flags & DICD_GENERATE_ID))
    created.className = name;
  created.present = false;
  created.registered = false;
  created.createdByRoot = true;
  created.deviceDesc = description ? description : "";
  Node &node = m_pImpl->AddNode(std::move(created));
  node.ownerSet = reinterpret_cast<uintptr_t>(handle);
  set->members.push_back(node.devInst);
  set->memberIndex.insert(node.devInst);
  if (device)
    Impl::Fill(node, *device);
  return Succeed();
}

BOOL SimDeviceTree::SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device) {
  if (!Enter("SetupDiRemoveDevice"))
    return FALSE;
  Node *node = Element(set, device);
  if (!node)
    return FALSE;
  RemoveNode(*node);
  return Succeed();
}

BOOL SimDeviceTree::SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
  if (!Enter("SetupDiDestroyDeviceInfoList"))
    return FALSE;
  auto found = m_pImpl->sets.find(reinterpret_cast<uintptr_t>(handle));
  if (found == m_pImpl->sets.end())
    return Fail(ERROR_INVALID_HANDLE);
  if (found->second.destroyed) {
    ++m_nDoubleDestroys;
    return Fail(ERROR_INVALID_HANDLE);
  }
  found->second.destroyed = true;
  // A node that was never registered lives only in its set.
  for (Node &node : m_pImpl->nodes)
    if (node.alive && node.ownerSet == found->first && !node.device.registered)
      node.alive = false;
  return Succeed();
}

// ---- Properties ----

BOOL SimDeviceTree::SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                                      DWORD *propertyRegDataType, BYTE *buffer, DWORD bufferSize,
                                                      DWORD *requiredSize) {
  if (!Enter("SetupDiGetDeviceRegistryPropertyA"))
    return FALSE;
  Node *node = Element(set, device);
  if (!node)
    return FALSE;
  if (!buffer && bufferSize)
    return Fail(ERROR_INVALID_PARAMETER);
  const SimDevice &d = node->device;
  std::optional<std::string> value;
  DWORD type = REG_SZ;
  switch (property) {
  case SPDRP_HARDWAREID:
    type = REG_MULTI_SZ;
    if (d.hardwareIds)
      value = MultiString(*d.hardwareIds);
    break;
  case SPDRP_DEVICEDESC:
    if (!d.deviceDesc.empty())
      value = d.deviceDesc + '\0';
    break;
  case SPDRP_CLASS:
    if (!d.className.empty())
      value = d.className + '\0';
    break;
  case SPDRP_CLASSGUID:
    if (!SameGuid(d.classGuid, GUID{}))
      value = GuidText(d.classGuid) + '\0';
    break;
  case SPDRP_DRIVER:
    if (!d.driverKey.empty())
      value = d.driverKey + '\0';
    break;
  default:
    if (property > kLastKnownProperty)
      return Fail(ERROR_INVALID_REG_PROPERTY);
    break; // every other property is simply absent
  }
  if (!value)
    return Fail(ERROR_INVALID_DATA);
  DWORD size = static_cast<DWORD>(value->size());
  if (propertyRegDataType)
    *propertyRegDataType = type;
  if (requiredSize)
    *requiredSize = size;
  if (!buffer || bufferSize < size)
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, value->data(), size);
  return Succeed();
}

BOOL SimDeviceTree::SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                                      const BYTE *buffer, DWORD bufferSize) {
  if (!Enter("SetupDiSetDeviceRegistryPropertyA"))
    return FALSE;
  Node *node = Element(set, device);
  if (!node)
    return FALSE;
  if (!buffer && bufferSize)
    return Fail(ERROR_INVALID_PARAMETER);
  switch (property) {
  case SPDRP_HARDWAREID:
    if (!buffer)
      node->device.hardwareIds.reset(); // no data deletes the property
    else
      node->device.hardwareIds = SplitMultiString(buffer, bufferSize);
    break;
  case SPDRP_DEVICEDESC: {
    std::vector<std::string> text = buffer ? SplitMultiString(buffer, bufferSize) : std::vector<std::string>();
    node->device.deviceDesc = text.empty() ? std::string() : text[0];
    break;
  }
  default:
    return Fail(ERROR_INVALID_REG_PROPERTY);
  }
  return Succeed();
}

// ---- INF files and installers ----

BOOL SimDeviceTree::SetupDiGetINFClassA(PCSTR infName, GUID *classGuid, PSTR className, DWORD classNameSize,
                                        DWORD *requiredSize) {
  if (!Enter("SetupDiGetINFClassA"))
    return FALSE;
  if (!infName || !classGuid)
    return Fail(ERROR_INVALID_PARAMETER);
  bool wine = m_mode == SimMode::Wine;
  // Wine reads the class through its profile reader, which takes a few more forms of text.
  std::optional<SimInfText> inf = wine ? SimInfText::LoadAsProfile(infName) : SimInfText::Load(infName);
  if (!inf)
    return Fail(ERROR_FILE_NOT_FOUND);
  if (wine && (!className || classNameSize == 0))
    return Fail(ERROR_INVALID_PARAMETER);
  // Measured under Wine: a file that is no INF, or declares no class, fails with the code cleared.
  std::optional<std::string> signature = inf->Value("Version", "Signature");
  if (!signature || (!SimEqualNoCase(*signature, "$Chicago$") && !SimEqualNoCase(*signature, "$Windows NT$")))
    return Fail(wine ? ERROR_SUCCESS : ERROR_WRONG_INF_STYLE);
  std::optional<std::string> guidText = inf->Value("Version", "ClassGUID");
  std::optional<std::string> name = inf->Value("Version", "Class");
  if ((!guidText || guidText->empty()) && (!name || name->empty())) {
    if (wine && requiredSize)
      *requiredSize = 0;
    return Fail(wine ? ERROR_SUCCESS : ERROR_INVALID_CLASS);
  }
  GUID guid{};
  const bool hasGuid = guidText && !guidText->empty();
  if (hasGuid) {
    std::string text = *guidText;
    // Measured under Wine: the characters around the identifier are dropped unread, braces or not.
    if (wine && text.size() == 38) {
      text.front() = '{';
      text.back() = '}';
    }
    if (!ParseGuid(text, guid))
      return Fail(wine ? ERROR_INVALID_PARAMETER : ERROR_INVALID_CLASS);
  } else {
    guid = GuidForClassName(*name);
  }
  if (wine && (!name || name->empty())) {
    // Measured under Wine: the identifier alone succeeds with code 87, no name and a size of 0.
    *classGuid = guid;
    if (requiredSize)
      *requiredSize = 0;
    m_dwLastError = ERROR_INVALID_PARAMETER;
    return TRUE;
  }
  std::string text = name ? *name : std::string();
  DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (!className || classNameSize < needed) {
    if (!wine) {
      if (requiredSize)
        *requiredSize = needed;
      return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    // Wine still succeeds on the strength of the identifier; the name is cut short.
    *classGuid = guid;
    std::memcpy(className, text.data(), classNameSize - 1);
    className[classNameSize - 1] = '\0';
    if (requiredSize)
      *requiredSize = 0;
    m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
    return TRUE;
  }
  std::memcpy(className, text.c_str(), needed);
  // Measured under Wine: a class named without its identifier leaves the identifier unwritten.
  if (!wine || hasGuid)
    *classGuid = guid;
  if (requiredSize)
    *requiredSize = needed;
  // Unlike most of Wine's calls, this one clears the code on success.
  m_dwLastError = ERROR_SUCCESS;
  return Succeed();
}

BOOL SimDeviceTree::SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, PSP_DEVINFO_DATA device) {
  if (!Enter("SetupDiCallClassInstaller"))
    return FALSE;
  if (installFunction != DIF_REGISTERDEVICE && installFunction != DIF_REMOVE)
    return Fail(ERROR_DI_DO_DEFAULT);
  Node *node = Element(set, device);
  if (!node)
    return FALSE;
  if (installFunction == DIF_REGISTERDEVICE) {
    node->device.registered = true;
    node->device.present = true; // a registered root node is started at once
    node->ownerSet = 0;
  } else {
    RemoveNode(*node);
  }
  return Succeed();
}

BOOL SimDeviceTree::UpdateDriverForPlugAndPlayDevicesA(HWND, PCSTR hardwareId, PCSTR fullInfPath, DWORD installFlags,
                                                       BOOL *rebootRequired) {
  if (!Enter("UpdateDriverForPlugAndPlayDevicesA"))
    return FALSE;
  bool windows = m_mode == SimMode::Windows;
  if (!hardwareId || !*hardwareId || !fullInfPath || !*fullInfPath) {
    if (windows)
      return Fail(ERROR_INVALID_PARAMETER);
    m_dwLastError = ERROR_SUCCESS;
    return TRUE;
  }
  if (windows && (installFlags & ~(INSTALLFLAG_FORCE | kReadOnlyFlag | kNonInteractiveFlag)))
    return Fail(ERROR_INVALID_FLAGS);
  std::optional<SimInfText> inf = SimInfText::Load(fullInfPath);
  if (!inf && windows)
    return Fail(ERROR_FILE_NOT_FOUND);

  std::vector<Node *> targets;
  for (Node &node : m_pImpl->nodes) {
    const SimDevice &d = node.device;
    if (!node.alive || !d.hardwareIds || (windows && (!d.registered || !d.present)))
      continue;
    for (const std::string &id : *d.hardwareIds)
      if (windows ? SimEqualNoCase(id, hardwareId) : id == hardwareId) {
        targets.push_back(&node);
        break;
      }
  }
  // Wine reports success whatever happened; it ignores the flags.
  if (windows && targets.empty())
    return Fail(ERROR_NO_SUCH_DEVINST);
  bool force = windows ? (installFlags & INSTALLFLAG_FORCE) != 0 : true;
  if (!force) {
    std::vector<Node *> better;
    for (Node *node : targets)
      if (!SimEqualNoCase(node->device.installedInf, fullInfPath))
        better.push_back(node);
    if (better.empty())
      return Fail(ERROR_NO_MORE_ITEMS); // the new driver is not better than the installed one
    targets.swap(better);
  }
  if (inf) {
    std::optional<std::string> classText = inf->Value("Version", "Class");
    std::optional<std::string> guidText = inf->Value("Version", "ClassGUID");
    GUID classGuid{};
    bool haveGuid = guidText && ParseGuid(*guidText, classGuid);
    for (Node *node : targets) {
      SimDevice &d = node->device;
      d.installedInf = fullInfPath;
      d.installedForced = (installFlags & INSTALLFLAG_FORCE) != 0;
      // A driver lands only where the INF has a model for one of the device's IDs.
      std::optional<std::string> desc;
      for (size_t i = 0; i < d.hardwareIds->size() && !desc; ++i)
        desc = inf->ModelDescription((*d.hardwareIds)[i], windows);
      if (!desc)
        continue;
      d.deviceDesc = *desc;
      if (classText && !classText->empty())
        d.className = *classText;
      if (haveGuid)
        d.classGuid = classGuid;
      if (d.driverKey.empty()) {
        std::string cls = GuidText(d.classGuid);
        d.driverKey = cls + "\\" + FourDigits(m_pImpl->driverKeysPerClass[cls]++);
      }
    }
  }
  if (rebootRequired)
    *rebootRequired = m_bRebootRequired ? TRUE : FALSE;
  if (!windows)
    m_dwLastError = ERROR_SUCCESS; // measured: Wine clears the code here
  return Succeed();
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
  // Truncated: Windows (since Vista) still ends it with a zero byte; Wine, as measured, does not.
  if (m_mode == SimMode::Wine) {
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
