#pragma once
// Shared pieces of the driver-logic tests: temp INF packages, a recording wait cursor, a simulated
// tree a test can hook into, and one dialog's logic over it with the checks every run must pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "install/InstallerCore.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimTraceWindow.h"

// Outcomes by name in failure messages.
inline void PrintTo(InstallVerdict outcome, std::ostream *out) {
  const char *names[] = {"Success", "Failure", "Ignored"};
  *out << names[static_cast<int>(outcome)];
}

namespace quarveltest {

// The three drivers' own hardware IDs (the fallback IDs of their kinds).
inline const char kModemId[] = "USB\\VID_05C6&PID_9018&MI_02";
inline const char kSerialId[] = "USB\\VID_05C6&PID_9018&MI_03";
inline const char kAdbId[] = "USB\\VID_05C6&PID_9018&MI_01";

struct KindInf {
  const char *fileName; // as the passes name it, without the backslash
  const char *section, *className, *classGuid, *hardwareId;
};
inline const KindInf kKindInfs[] = {
    {.fileName = "qcmdm.inf", .section = "Models.NTamd64", .className = "Modem",
     .classGuid = "{4D36E96D-E325-11CE-BFC1-08002BE10318}", .hardwareId = kModemId},
    {.fileName = "qcser.inf", .section = "QcomSerialPort", .className = "Ports",
     .classGuid = "{4D36E978-E325-11CE-BFC1-08002BE10318}", .hardwareId = kSerialId},
    {.fileName = "android_usb.inf", .section = "Vormesk.NTamd64", .className = "QuarvelTestAdb",
     .classGuid = "{6F37739D-2FBD-4557-B463-15A74F02A548}", .hardwareId = kAdbId},
};

// A minimal driver INF of the kind: [Version] and its models section with these IDs.
inline std::string InfText(const KindInf &kind, const std::vector<std::string> &ids) {
  std::string text = std::string("[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=") + kind.className +
                     "\r\nClassGuid=" + kind.classGuid + "\r\n\r\n[Manufacturer]\r\n%P%=" + kind.section +
                     "\r\n\r\n[" + kind.section + "]\r\n";
  for (const std::string &id : ids)
    text += "%D%=TestInstall, " + id + "\r\n";
  return text + "\r\n[TestInstall.NT]\r\n\r\n[Strings]\r\nP=\"Quarvel Tests\"\r\nD=\"Quarvel Test Device\"\r\n";
}

// A temp folder for INF files, removed with everything in it. File paths are Dir() + "\\" + name,
// as the passes join them: on Linux such a path is a file beside Dir() whose name holds the backslash,
// so Dir() lies inside a root of its own, which goes with both.
class TempInfDir {
public:
  TempInfDir() { std::filesystem::create_directories(m_root / "drivers"); }
  ~TempInfDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }
  TempInfDir(const TempInfDir &) = delete;

  std::string Dir() const { return (m_root / "drivers").string(); }
  std::string PathOf(const std::string &fileName) const { return Dir() + "\\" + fileName; }
  std::string ExePath() const { return PathOf("Quarvel.exe"); }
  std::string Write(const std::string &fileName, const std::string &text) const {
    std::ofstream(PathOf(fileName), std::ios::binary) << text;
    return PathOf(fileName);
  }
  // The kind's INF under its usual name, listing these IDs (the benchmarks' too).
  std::string WriteKind(const KindInf &kind, const std::vector<std::string> &ids) const {
    return Write(kind.fileName, InfText(kind, ids));
  }
  // Each kind's INF listing its own ID; their paths.
  std::vector<std::string> WriteAllKinds() const {
    std::vector<std::string> paths;
    for (const KindInf &kind : kKindInfs)
      paths.push_back(WriteKind(kind, {kind.hardwareId}));
    return paths;
  }

private:
  const std::filesystem::path m_root =
      std::filesystem::temp_directory_path() / ("quarvel-test-" + std::to_string(std::random_device()()));
};

struct RecordingView : InstallView {
  void BeginWaitCursor() override { ++begins; }
  void EndWaitCursor() override { ++ends; }
  int begins = 0, ends = 0;
};

// A simulated tree whose driver updates can call back into the test (a message dispatched during a
// platform call) and are remembered.
class HookedTree : public SimDeviceTree {
public:
  using SimDeviceTree::SimDeviceTree;

  std::function<void()> onUpdate;
  std::vector<std::pair<DWORD, std::string>> updates; // flags and hardware ID of every update
  std::vector<std::string> forcedInfs;                // INF paths of the forced updates that succeeded

  BOOL UpdateDriverForPlugAndPlayDevicesA(HWND parent, PCSTR id, PCSTR inf, DWORD flags, BOOL *reboot) override {
    updates.emplace_back(flags, id ? id : "");
    if (onUpdate)
      onUpdate();
    const BOOL ok = SimDeviceTree::UpdateDriverForPlugAndPlayDevicesA(parent, id, inf, flags, reboot);
    if (ok && (flags & INSTALLFLAG_FORCE))
      forcedInfs.push_back(inf);
    return ok;
  }
};

inline const char *ModeName(SimMode mode) { return mode == SimMode::Windows ? "Windows" : "Wine"; }

inline int CountText(const std::vector<std::string> &texts, const std::string &text) {
  return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

// One dialog's logic over a fresh tree.
struct Dialog {
  Dialog(SimMode mode, const std::string &exePath) : tree(mode) { tree.SetModuleFileName(exePath); }

  HookedTree tree;
  ScopedPlatform platform{tree};
  SimTraceWindow trace;
  RecordingView view;
  CInstallerCore core{view};
  std::vector<std::string> unrelated; // devices no install may remove
  std::vector<std::string> phone;     // the phone's devices, which an install may remove
};

} // namespace quarveltest
