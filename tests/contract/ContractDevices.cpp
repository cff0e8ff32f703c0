#include "ContractDevices.h"

const GUID kContractClassGuid = {0xD5C0A4E2, 0x7B31, 0x4F6E, {0x9C, 0x2A, 0x51, 0xE0, 0xB7, 0xA3, 0xC9, 0x14}};
const GUID kModemClassGuid = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::string ContractHardwareId(int n) { return "USB\\VID_1234&PID_5678&MI_0" + std::to_string(n); }

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

std::string Property(DeviceServices &services, HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property) {
  char value[2048] = {};
  return services.SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE *>(value),
                                                    sizeof value - 1, nullptr)
             ? value
             : "";
}

std::vector<std::string> Present(DeviceServices &services, const std::string &hardwareId, DWORD property) {
  std::vector<std::string> values;
  ScopedSet set{services, services.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES)};
  SP_DEVINFO_DATA device = EmptyRecord();
  for (DWORD i = 0; services.SetupDiEnumDeviceInfo(set.set, i, &device); ++i)
    if (Property(services, set.set, device, SPDRP_HARDWAREID) == hardwareId)
      values.push_back(Property(services, set.set, device, property));
  return values;
}

PlantedNode::PlantedNode(DeviceServices &services, const std::string &name, const GUID &classGuid,
                         const std::vector<std::string> &hardwareIds, bool registerNode)
    : m_set{services, services.SetupDiCreateDeviceInfoList(&classGuid, nullptr)} {
  const std::string ids = MultiString(hardwareIds);
  if (m_set.set == INVALID_HANDLE_VALUE)
    m_failure = "SetupDiCreateDeviceInfoList";
  else if (!services.SetupDiCreateDeviceInfoA(m_set.set, name.c_str(), &classGuid, nullptr, nullptr,
                                              DICD_GENERATE_ID, &m_device))
    m_failure = "SetupDiCreateDeviceInfoA";
  else if (!hardwareIds.empty() &&
           !services.SetupDiSetDeviceRegistryPropertyA(m_set.set, &m_device, SPDRP_HARDWAREID,
                                                       reinterpret_cast<const BYTE *>(ids.data()),
                                                       static_cast<DWORD>(ids.size())))
    m_failure = "SetupDiSetDeviceRegistryPropertyA";
  else if (registerNode && !services.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, m_set.set, &m_device))
    m_failure = "DIF_REGISTERDEVICE";
  if (!m_failure.empty())
    m_failure += " failed with " + std::to_string(services.GetLastError());
}

PlantedNode::~PlantedNode() {
  if (m_device.DevInst || m_device.Reserved)
    m_set.services.SetupDiCallClassInstaller(DIF_REMOVE, m_set.set, &m_device);
}
