// Driver updates for the devices that carry a hardware ID.

#include "platform/sim/SimTreeState.h"

const DWORD kReadOnlyFlag = 0x2;       // INSTALLFLAG_READONLY
const DWORD kNonInteractiveFlag = 0x4; // INSTALLFLAG_NONINTERACTIVE
const size_t kMaxDeviceIdLength = 200; // MAX_DEVICE_ID_LEN

BOOL SimDeviceTree::UpdateDriverForPlugAndPlayDevicesA(HWND, PCSTR hardwareId, PCSTR fullInfPath, DWORD installFlags,
                                                       BOOL *rebootRequired) {
  if (!Enter("UpdateDriverForPlugAndPlayDevicesA"))
    return FALSE;
  const SimModeRules &rules = RulesFor(m_mode);
  const bool strict = rules.updateChecksWork;
  const bool noArguments = !hardwareId || !*hardwareId || !fullInfPath || !*fullInfPath;
  // The ID names devices by their IDs: no longer than a device ID (MAX_DEVICE_ID_LEN, its zero included).
  if (strict && (noArguments || std::strlen(hardwareId) >= kMaxDeviceIdLength))
    return Fail(ERROR_INVALID_PARAMETER);
  if (noArguments) {
    m_dwLastError = ERROR_SUCCESS;
    return TRUE;
  }
  if (strict && (installFlags & ~(INSTALLFLAG_FORCE | kReadOnlyFlag | kNonInteractiveFlag)))
    return Fail(ERROR_INVALID_FLAGS);
  if (rules.refusesInstalls && (!m_bElevated || m_bOtherInstallRunning))
    return Fail(m_bElevated ? ERROR_DEVICE_INSTALLER_NOT_READY : ERROR_ACCESS_DENIED);
  std::optional<SimInfText> inf = SimInfText::Load(fullInfPath);
  if (!inf && strict)
    return Fail(ERROR_FILE_NOT_FOUND);

  std::vector<Node *> targets;
  for (Node &node : m_pImpl->nodes) {
    const SimDevice &d = node.device;
    if (!node.alive || !d.hardwareIds || (!rules.listsEveryNode && (!d.registered || !d.present)))
      continue;
    for (const std::string &id : *d.hardwareIds)
      if (rules.updateIgnoresCase ? SimEqualNoCase(id, hardwareId) : id == hardwareId) {
        targets.push_back(&node);
        break;
      }
  }
  if (strict && targets.empty())
    return Fail(ERROR_NO_SUCH_DEVINST);
  if (strict && !(installFlags & INSTALLFLAG_FORCE)) {
    std::vector<Node *> better;
    for (Node *node : targets)
      if (!SimEqualNoCase(node->device.installedInf, fullInfPath))
        better.push_back(node);
    if (better.empty())
      return Fail(ERROR_NO_MORE_ITEMS); // the new driver is not better than the installed one
    targets.swap(better);
  }
  if (inf) {
    // A driver lands only where the INF has a model for one of the device's IDs; Windows upgrades
    // nothing (and says so as for a driver that is not better) when that is no device.
    std::vector<std::pair<Node *, std::string>> modelled;
    for (Node *node : targets) {
      std::optional<std::string> desc;
      for (size_t i = 0; i < node->device.hardwareIds->size() && !desc; ++i)
        desc = inf->ModelDescription((*node->device.hardwareIds)[i], rules.updateIgnoresCase);
      if (desc)
        modelled.emplace_back(node, *desc);
      else if (!strict)
        node->device.installedInf = fullInfPath, node->device.installedForced = (installFlags & INSTALLFLAG_FORCE) != 0;
    }
    if (strict && modelled.empty())
      return Fail(ERROR_NO_MORE_ITEMS);
    if (rules.refusesInstalls && !m_bPackageTrusted)
      return Fail(ERROR_DRIVER_STORE_ADD_FAILED);
    std::optional<std::string> classText = inf->Value("Version", "Class");
    std::optional<std::string> guidText = inf->Value("Version", "ClassGUID");
    GUID classGuid{};
    bool haveGuid = guidText && ParseGuid(*guidText, classGuid);
    for (auto &[node, desc] : modelled) {
      SimDevice &d = node->device;
      d.installedInf = fullInfPath;
      d.installedForced = (installFlags & INSTALLFLAG_FORCE) != 0;
      d.deviceDesc = desc;
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
  if (!strict)
    m_dwLastError = ERROR_SUCCESS; // measured: Wine clears the code here
  return Succeed();
}
