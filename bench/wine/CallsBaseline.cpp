// bench_calls_baseline: the device-installation calls that one automatic install of Quarvel.exe makes
// over its sample package when no phone is plugged in, in the same order and with the same arguments,
// and nothing else: no INF reading (the hardware IDs are the sample package's), no trace, no wait
// cursor. Its dialog and closing box are the same as Quarvel.exe's, so that the timer starts and stops
// alike. It is the yardstick for Quarvel.exe's own overhead.
//
// Built a second time as bench_traced_baseline (BASELINE_TRACE_TEXTS): the same calls, then as many
// trace texts as Quarvel.exe sends in one install (QUARVEL_BENCH_TRACE_TEXTS, counted by the benchmark
// script). With no trace viewer open each text costs the channel's two window lookups and nothing else,
// so this one measures what Quarvel.exe adds beyond its calls and its trace channel.

#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "BaselineSupport.h"
#ifdef BASELINE_TRACE_TEXTS
#include "trace/DebugTrace.h"
#endif

namespace {

SP_DEVINFO_DATA EmptyRecord() {
  SP_DEVINFO_DATA device;
  std::memset(&device, 0, sizeof device);
  device.cbSize = sizeof device;
  return device;
}

// A scan: the INF's class, then every present device's hardware IDs read into a fixed buffer. The
// index of the device whose first ID is hardwareId (the last such) goes to matched, or -1.
HDEVINFO Scan(const char *infPath, const char *hardwareId, int &matched) {
  GUID classGuid;
  std::memset(&classGuid, 0, sizeof classGuid);
  char className[260] = {};
  matched = -1;
  if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr))
    return nullptr;
  HDEVINFO set = SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE);
  std::vector<BYTE> buffer(2000);
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = EmptyRecord();
    if (!SetupDiEnumDeviceInfo(set, index, &device))
      break;
    std::memset(buffer.data(), 0, buffer.size());
    DWORD returned = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr, buffer.data(), 2000, &returned))
      continue;
    if (_stricmp(reinterpret_cast<const char *>(buffer.data()), hardwareId) == 0)
      matched = static_cast<int>(index);
  }
  return set;
}

// The search of the present devices for hardwareId: sizes asked first, every ID compared.
bool FindPresent(const char *hardwareId) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE)
    return false;
  bool found = false;
  std::vector<BYTE> buffer;
  for (DWORD index = 0; !found; ++index) {
    SP_DEVINFO_DATA device = EmptyRecord();
    if (!SetupDiEnumDeviceInfo(set, index, &device))
      break;
    buffer.clear();
    DWORD size = 0;
    for (;;) {
      DWORD capacity = static_cast<DWORD>(buffer.size());
      DWORD required = capacity;
      if (SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                            buffer.empty() ? nullptr : buffer.data(), capacity, &required)) {
        size = required < capacity ? required : capacity;
        break;
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= capacity) {
        size = 0;
        break;
      }
      buffer.assign(required, 0);
    }
    for (DWORD at = 0; at < size && buffer[at];) {
      const char *id = reinterpret_cast<const char *>(&buffer[at]);
      if (std::strcmp(id, hardwareId) == 0) {
        found = true;
        break;
      }
      at += static_cast<DWORD>(std::strlen(id)) + 1;
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

bool InstallOnNewNode(const char *infPath, const char *hardwareId) {
  GUID classGuid;
  std::memset(&classGuid, 0, sizeof classGuid);
  char className[1024] = {};
  if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr))
    return false;
  HDEVINFO set = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  if (set == INVALID_HANDLE_VALUE)
    return false;
  SP_DEVINFO_DATA device = EmptyRecord();
  BYTE property[2000] = {};
  std::memcpy(property, hardwareId, std::strlen(hardwareId));
  BOOL reboot = FALSE;
  bool installed = SetupDiCreateDeviceInfoA(set, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
                   SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, property,
                                                     static_cast<DWORD>(std::strlen(hardwareId) + 2)) &&
                   SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device) &&
                   UpdateDriver(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE, &reboot);
  SetupDiDestroyDeviceInfoList(set);
  return installed;
}

bool FileExists(const char *path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  return true;
}

// One pass: scan, install on a new node (no phone: nothing matches the first scan, so there is no
// plain update), scan again, remove the node that the second scan matched.
bool RunPass(const char *infPath, const char *hardwareId) {
  int matched = -1;
  HDEVINFO firstScan = Scan(infPath, hardwareId, matched);
  bool installed = FileExists(infPath) && !FindPresent(hardwareId) && InstallOnNewNode(infPath, hardwareId);
  HDEVINFO scan = firstScan;
  if (installed) {
    if (firstScan)
      SetupDiDestroyDeviceInfoList(firstScan);
    scan = Scan(infPath, hardwareId, matched);
  }
  if (scan && scan != INVALID_HANDLE_VALUE && matched >= 0) {
    SP_DEVINFO_DATA device = EmptyRecord();
    if (SetupDiEnumDeviceInfo(scan, static_cast<DWORD>(matched), &device))
      SetupDiRemoveDevice(scan, &device);
  }
  if (scan)
    SetupDiDestroyDeviceInfoList(scan);
  return installed;
}

// The three passes, in Quarvel.exe's order.
bool InstallPackage() {
  const bool installed = RunBaselinePasses(RunPass);
#ifdef BASELINE_TRACE_TEXTS
  const char *texts = std::getenv("QUARVEL_BENCH_TRACE_TEXTS");
  for (long left = texts ? std::strtol(texts, nullptr, 10) : 0; left > 0; --left)
    DebugTraceText("");
#endif
  return installed;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunBenchDialog(instance, InstallPackage); }
