#pragma once
// Shared pieces of the driver-logic tests: temp INF packages and the passes over them, a recording
// window seam, and a simulated tree whose calls a test can hook into.

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "install/DriverKind.h"
#include "install/InstallerCore.h"
#include "platform/sim/SimDeviceTree.h"

namespace quarveltest {

// The three drivers' own hardware IDs (the fallback IDs of their kinds).
inline const char kModemId[] = "USB\\VID_05C6&PID_9018&MI_02";
inline const char kSerialId[] = "USB\\VID_05C6&PID_9018&MI_03";
inline const char kAdbId[] = "USB\\VID_05C6&PID_9018&MI_01";

struct KindInf {
  const char *kind;
  const char *fileName; // as the passes name it, without the backslash
  const char *section;
  const char *className;
  const char *classGuid;
  const char *hardwareId;
};

inline const KindInf kKindInfs[] = {
    {"qcmdm", "qcmdm.inf", "Models.NTamd64", "Modem", "{4D36E96D-E325-11CE-BFC1-08002BE10318}", kModemId},
    {"qcser", "qcser.inf", "QcomSerialPort", "Ports", "{4D36E978-E325-11CE-BFC1-08002BE10318}", kSerialId},
    {"adb", "android_usb.inf", "Vormesk.NTamd64", "QuarvelTestAdb", "{6F37739D-2FBD-4557-B463-15A74F02A548}", kAdbId},
};

// A minimal driver INF: [Version] with class and class GUID, one models section, and a second one
// (which no scan reads) with models for further IDs.
inline std::string InfText(const std::string &section, const std::vector<std::string> &hardwareIds,
                           const std::string &className = "Modem",
                           const std::string &classGuid = "{4D36E96D-E325-11CE-BFC1-08002BE10318}",
                           const std::vector<std::string> &otherModels = {}) {
  std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=" + className + "\r\nClassGuid=" + classGuid +
                     "\r\nProvider=%P%\r\n\r\n[Manufacturer]\r\n%P%=" + section + "\r\n%P%=Others\r\n\r\n[" +
                     section + "]\r\n";
  for (const std::string &id : hardwareIds)
    text += "%D%=TestInstall, " + id + "\r\n";
  text += "\r\n[Others]\r\n";
  for (const std::string &id : otherModels)
    text += "%D%=TestInstall, " + id + "\r\n";
  text += "\r\n[TestInstall.NT]\r\n\r\n[Strings]\r\nP=\"Quarvel Tests\"\r\nD=\"Quarvel Test Device\"\r\n";
  return text;
}

inline std::string InfTextForKind(const KindInf &kind, const std::vector<std::string> &hardwareIds,
                                  const std::vector<std::string> &otherModels = {}) {
  return InfText(kind.section, hardwareIds, kind.className, kind.classGuid, otherModels);
}

// The pass of the kind at this position over an INF.
inline InfPass PassOf(int kindIndex, const std::string &infPath) {
  return InfPass{kDriverKinds[kindIndex], infPath.c_str()};
}

// A temp folder for INF files, removed with everything in it. Dir() is the folder as the logic
// sees it: file paths are Dir() + "\\" + name, as the passes join them (on Linux such a path is a
// file whose name holds the backslash, inside the temp folder).
class TempInfDir {
public:
  TempInfDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    m_root = std::filesystem::temp_directory_path() /
             ("quarvel-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(m_root / "pkg");
    m_dir = (m_root / "pkg").string();
  }
  ~TempInfDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }
  TempInfDir(const TempInfDir &) = delete;
  TempInfDir &operator=(const TempInfDir &) = delete;

  const std::string &Dir() const { return m_dir; }
  std::string PathOf(const std::string &fileName) const { return m_dir + "\\" + fileName; }

  std::string Write(const std::string &fileName, const std::string &text) const {
    const std::string path = PathOf(fileName);
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
  }
  // The kind's INF under its usual name, listing the given IDs (the kind's own ID by default).
  std::string WriteKind(const KindInf &kind, std::vector<std::string> hardwareIds = {}) const {
    if (hardwareIds.empty())
      hardwareIds.push_back(kind.hardwareId);
    return Write(kind.fileName, InfTextForKind(kind, hardwareIds));
  }
  void WriteAllKinds() const {
    for (const KindInf &kind : kKindInfs)
      WriteKind(kind);
  }
  std::string ExePath() const { return PathOf("Quarvel.exe"); }

private:
  std::filesystem::path m_root;
  std::string m_dir;
};

// The dialog's wait cursor, as the logic drives it.
class RecordingView : public InstallView {
public:
  void BeginWaitCursor() override {
    ++begins;
    ++depth;
  }
  void EndWaitCursor() override {
    ++ends;
    --depth;
  }
  int begins = 0;
  int ends = 0;
  int depth = 0;
};

// A simulated tree whose driver updates can call back into the test (a message dispatched during a
// platform call) and are remembered when forced and carried out, and whose hardware-ID property can
// be replaced by raw bytes.
class HookedTree : public SimDeviceTree {
public:
  using SimDeviceTree::SimDeviceTree;

  std::function<void()> onUpdate;
  // When set, every hardware-ID read returns exactly these bytes (no terminating zeros added).
  const std::string *rawHardwareIds = nullptr;
  std::vector<std::string> forcedInfs; // INF paths of the forced updates that succeeded, in order
  std::vector<std::pair<DWORD, std::string>> updates; // flags and hardware ID of every update, in order

  BOOL UpdateDriverForPlugAndPlayDevicesA(HWND parent, PCSTR hardwareId, PCSTR fullInfPath, DWORD installFlags,
                                          BOOL *rebootRequired) override {
    updates.emplace_back(installFlags, hardwareId ? hardwareId : "");
    if (onUpdate)
      onUpdate();
    const BOOL ok =
        SimDeviceTree::UpdateDriverForPlugAndPlayDevicesA(parent, hardwareId, fullInfPath, installFlags, rebootRequired);
    if (ok && (installFlags & INSTALLFLAG_FORCE))
      forcedInfs.push_back(fullInfPath);
    return ok;
  }

  BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                         DWORD *propertyRegDataType, BYTE *buffer, DWORD bufferSize,
                                         DWORD *requiredSize) override {
    if (!rawHardwareIds || property != SPDRP_HARDWAREID)
      return SimDeviceTree::SetupDiGetDeviceRegistryPropertyA(set, device, property, propertyRegDataType, buffer,
                                                              bufferSize, requiredSize);
    const DWORD size = static_cast<DWORD>(rawHardwareIds->size());
    if (requiredSize)
      *requiredSize = size;
    if (!buffer || bufferSize < size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    std::memcpy(buffer, rawHardwareIds->data(), size);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
};

// The platform calls whose failure ends a new node's install, each with the helper's trace of it.
struct StepFailure {
  const char *operation;
  const char *text;
};
inline const StepFailure kNewNodeStepFailures[] = {
    {"SetupDiGetINFClassA", "GetINFClass fail"},
    {"SetupDiCreateDeviceInfoList", "CreateDeviceInfoList"},
    {"SetupDiCreateDeviceInfoA", "CreateDeviceInfo"},
    {"SetupDiSetDeviceRegistryPropertyA", "SetDeviceRegistryProperty"},
    {"SetupDiCallClassInstaller", "CallClassInstaller(REGISTERDEVICE)"},
    {"UpdateDriverForPlugAndPlayDevicesA", "UpdateDriverForPlugAndPlayDevices"},
};

inline const char *ModeName(SimMode mode) { return mode == SimMode::Windows ? "Windows" : "Wine"; }

// Count of texts in a trace that equal text.
inline int CountText(const std::vector<std::string> &texts, const std::string &text) {
  int count = 0;
  for (const std::string &t : texts)
    count += t == text ? 1 : 0;
  return count;
}

// The texts that start with prefix, in order.
inline std::vector<std::string> TextsStartingWith(const std::vector<std::string> &texts, const std::string &prefix) {
  std::vector<std::string> found;
  for (const std::string &t : texts)
    if (t.compare(0, prefix.size(), prefix) == 0)
      found.push_back(t);
  return found;
}

inline const char kInstalled[] = "Driver Installed successfully.\n";

// Registered nodes that an install created.
inline std::vector<SimDevice> RootNodes(const SimDeviceTree &tree) {
  std::vector<SimDevice> nodes;
  for (const SimDevice &device : tree.Devices())
    if (device.createdByRoot)
      nodes.push_back(device);
  return nodes;
}

} // namespace quarveltest
