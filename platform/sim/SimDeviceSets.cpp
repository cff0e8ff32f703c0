// Device information sets and their elements' properties.

#include "platform/sim/SimTreeState.h"

#include <algorithm>

namespace {

const DWORD kLastKnownProperty = 0x24; // properties above this are not registry properties at all

std::string MultiString(const std::vector<std::string> &strings) {
  std::string bytes;
  for (const std::string &s : strings)
    bytes += s + '\0';
  return bytes + '\0';
}

// The strings of a multi-string that fit in size bytes; a string cut off by the end still counts.
std::vector<std::string> SplitMultiString(const BYTE *buffer, DWORD size) {
  std::vector<std::string> strings;
  const std::string bytes(reinterpret_cast<const char *>(buffer), size);
  for (size_t pos = 0; pos < bytes.size() && bytes[pos] != '\0';) {
    const size_t end = std::min(bytes.find('\0', pos), bytes.size());
    strings.push_back(bytes.substr(pos, end - pos));
    pos = end + 1;
  }
  return strings;
}

} // namespace

BOOL SimDeviceTree::SetupDiGetDeviceInstanceIdA(HDEVINFO set, PSP_DEVINFO_DATA device, PSTR instanceId, DWORD size,
                                                DWORD *requiredSize) {
  Node *node = EnterElement("SetupDiGetDeviceInstanceIdA", set, device);
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
  const SimModeRules &rules = RulesFor(m_mode);
  std::vector<DWORD> members;
  for (const Node &node : m_pImpl->nodes) {
    const SimDevice &device = node.device;
    if (!node.alive || (!device.registered && !rules.listsEveryNode))
      continue;
    if ((flags & DIGCF_PRESENT) && !device.present && !rules.listsEveryNode)
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
  Node *node = EnterElement("SetupDiGetDeviceRegistryPropertyA", set, device);
  if (!node)
    return FALSE;
  if (!buffer && bufferSize)
    return Fail(ERROR_INVALID_PARAMETER);
  const SimDevice &d = node->device;
  const std::map<DWORD, std::string> texts = {{SPDRP_DEVICEDESC, d.deviceDesc},
                                              {SPDRP_CLASS, d.className},
                                              {SPDRP_CLASSGUID, SameGuid(d.classGuid, GUID{}) ? "" : GuidText(d.classGuid)},
                                              {SPDRP_DRIVER, d.driverKey}};
  std::optional<std::string> value;
  if (property == SPDRP_HARDWAREID && d.hardwareIds)
    value = d.rawHardwareIds ? *d.rawHardwareIds : MultiString(*d.hardwareIds);
  else if (texts.count(property) && !texts.at(property).empty())
    value = texts.at(property) + '\0';
  else if (property > kLastKnownProperty)
    return Fail(ERROR_INVALID_REG_PROPERTY); // every other property is simply absent
  const DWORD type = property == SPDRP_HARDWAREID ? REG_MULTI_SZ : REG_SZ;
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
  Node *node = EnterElement("SetupDiSetDeviceRegistryPropertyA", set, device);
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
