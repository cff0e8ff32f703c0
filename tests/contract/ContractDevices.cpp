#include "ContractDevices.h"

#include <cstdio>

const GUID kContractClassGuid = {0xD5C0A4E2, 0x7B31, 0x4F6E, {0x9C, 0x2A, 0x51, 0xE0, 0xB7, 0xA3, 0xC9, 0x14}};
const GUID kModemClassGuid = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::string ContractHardwareId(int n) { return "USB\\VID_1234&PID_5678&MI_0" + std::to_string(n); }
std::string ModemHardwareId(int n) { return "USB\\VID_1234&PID_5679&MI_0" + std::to_string(n); }

std::string MultiString(const std::vector<std::string> &strings) {
  std::string bytes;
  for (const std::string &s : strings)
    bytes += s + '\0';
  return bytes + '\0';
}

SP_DEVINFO_DATA EmptyRecord() {
  SP_DEVINFO_DATA record{};
  record.cbSize = sizeof(SP_DEVINFO_DATA);
  return record;
}

ScopedSet::~ScopedSet() { Destroy(); }

BOOL ScopedSet::Destroy() {
  if (!Valid())
    return FALSE;
  BOOL ok = m_services.SetupDiDestroyDeviceInfoList(m_set);
  m_set = nullptr;
  return ok;
}

namespace {
std::string StepFailure(DeviceServices &services, const char *step) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed with 0x%08lX", step, static_cast<unsigned long>(services.GetLastError()));
  return text;
}
} // namespace

PlantedNode::PlantedNode(DeviceServices &services, const std::string &name, const GUID &classGuid,
                         const std::vector<std::string> &hardwareIds, bool registerNode)
    : m_services(services), m_set(services.SetupDiCreateDeviceInfoList(&classGuid, nullptr)) {
  m_device = EmptyRecord();
  if (m_set == INVALID_HANDLE_VALUE) {
    m_failure = StepFailure(services, "SetupDiCreateDeviceInfoList");
    return;
  }
  if (!services.SetupDiCreateDeviceInfoA(m_set, name.c_str(), &classGuid, nullptr, nullptr, DICD_GENERATE_ID,
                                         &m_device)) {
    m_failure = StepFailure(services, "SetupDiCreateDeviceInfoA");
    return;
  }
  if (!hardwareIds.empty()) {
    std::string ids = MultiString(hardwareIds);
    if (!services.SetupDiSetDeviceRegistryPropertyA(m_set, &m_device, SPDRP_HARDWAREID,
                                                    reinterpret_cast<const BYTE *>(ids.data()),
                                                    static_cast<DWORD>(ids.size()))) {
      m_failure = StepFailure(services, "SetupDiSetDeviceRegistryPropertyA");
      return;
    }
  }
  if (registerNode && !services.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, m_set, &m_device))
    m_failure = StepFailure(services, "SetupDiCallClassInstaller(DIF_REGISTERDEVICE)");
}

PlantedNode::~PlantedNode() {
  if (m_set == INVALID_HANDLE_VALUE)
    return;
  if (m_device.DevInst || m_device.Reserved)
    m_services.SetupDiCallClassInstaller(DIF_REMOVE, m_set, &m_device);
  m_services.SetupDiDestroyDeviceInfoList(m_set);
}

std::optional<std::vector<std::string>> ReadHardwareIds(DeviceServices &services, HDEVINFO set,
                                                        SP_DEVINFO_DATA &device) {
  DWORD required = 0;
  if (services.SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr, nullptr, 0, &required) ||
      services.GetLastError() != ERROR_INSUFFICIENT_BUFFER || required == 0)
    return std::nullopt;
  std::string buffer(required, '\0');
  if (!services.SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                  reinterpret_cast<BYTE *>(&buffer[0]), required, nullptr))
    return std::nullopt;
  std::vector<std::string> ids;
  for (size_t pos = 0; pos < buffer.size() && buffer[pos] != '\0';) {
    size_t end = buffer.find('\0', pos);
    if (end == std::string::npos)
      end = buffer.size();
    ids.push_back(buffer.substr(pos, end - pos));
    pos = end + 1;
  }
  return ids;
}

namespace {
// Calls visit(set, device) for each present device whose first hardware ID is hardwareId.
template <typename Visit> void ForEachPresent(DeviceServices &services, const std::string &hardwareId, Visit visit) {
  ScopedSet set(services, services.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
  if (!set.Valid())
    return;
  SP_DEVINFO_DATA device = EmptyRecord();
  for (DWORD index = 0; services.SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    std::optional<std::vector<std::string>> ids = ReadHardwareIds(services, set.Get(), device);
    if (ids && !ids->empty() && ids->front() == hardwareId && !visit(set.Get(), device))
      return;
  }
}
} // namespace

int CountPresent(DeviceServices &services, const std::string &hardwareId) {
  int count = 0;
  ForEachPresent(services, hardwareId, [&](HDEVINFO, SP_DEVINFO_DATA &) { return ++count, true; });
  return count;
}

std::optional<std::string> PresentDeviceProperty(DeviceServices &services, const std::string &hardwareId,
                                                 DWORD property) {
  std::optional<std::string> value;
  ForEachPresent(services, hardwareId, [&](HDEVINFO set, SP_DEVINFO_DATA &device) {
    char buffer[1024] = {};
    DWORD type = 0;
    if (services.SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type, reinterpret_cast<BYTE *>(buffer),
                                                   sizeof buffer - 1, nullptr) &&
        type == REG_SZ)
      value = std::string(buffer);
    return false;
  });
  return value;
}
