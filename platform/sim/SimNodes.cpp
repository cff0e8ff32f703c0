// Creating, registering and removing device nodes.

#include "platform/sim/SimTreeState.h"

const DWORD kInheritClassDriversFlag = 0x2; // DICD_INHERIT_CLASSDRVS

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
  Node *node = EnterElement("SetupDiRemoveDevice", set, device);
  if (!node)
    return FALSE;
  RemoveNode(*node);
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
    if (!m_bElevated && RulesFor(m_mode).refusesInstalls)
      return Fail(ERROR_ACCESS_DENIED);
    node->device.registered = true;
    node->device.present = true; // a registered root node is started at once
    node->ownerSet = 0;
  } else {
    RemoveNode(*node);
  }
  return Succeed();
}
