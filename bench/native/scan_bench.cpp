// The device scan over simulated trees of growing size: what it costs per present device, for an INF
// that lists few and one that lists many hardware IDs. A flat per-device cost means the scan (and the
// simulation under it) stays linear in the tree.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/native/BenchSettings.h"
#include "tests/unit/InstallTestSupport.h"

using namespace quarveltest;

namespace {

const KindInf &kModemKind = kKindInfs[0];

// An everyday first hardware ID for the nth unrelated device: PCI functions, USB devices, ACPI nodes.
std::string UnrelatedId(int n) {
  char id[96];
  switch (n % 3) {
  case 0:
    std::snprintf(id, sizeof id, "PCI\\VEN_8086&DEV_%04X&SUBSYS_%08X&REV_%02X", n % 0xFFFF, n * 7919, n % 0xFF);
    break;
  case 1:
    std::snprintf(id, sizeof id, "USB\\VID_%04X&PID_%04X&REV_0100", 0x1000 + n % 0x8000, n % 0xFFFF);
    break;
  default:
    std::snprintf(id, sizeof id, "ACPI\\PNP%04X", n % 0xFFFF);
    break;
  }
  return id;
}

// The INF's IDs: near-misses of the phone's interfaces, then the modem's own ID last, so every
// unrelated device is compared with the whole list before the phone's one matches.
std::vector<std::string> InfIds(int count) {
  std::vector<std::string> ids;
  for (int i = 0; i + 1 < count; ++i) {
    char id[64];
    std::snprintf(id, sizeof id, "USB\\VID_05C6&PID_%04X&MI_%02d", 0x9100 + i % 0x6000, i % 100);
    ids.push_back(id);
  }
  ids.push_back(kModemId);
  return ids;
}

// devices present devices: the phone's modem interface halfway, the rest unrelated, each with a
// second, more general ID as real devices have.
std::unique_ptr<SimDeviceTree> TreeOf(int devices) {
  auto tree = std::make_unique<SimDeviceTree>(SimMode::Windows);
  for (int i = 0; i + 1 < devices; ++i) {
    if (i == devices / 2)
      tree->AddPresentDevice({kModemId, "USB\\VID_05C6&PID_9018"}, "Modem");
    const std::string id = UnrelatedId(i);
    tree->AddPresentDevice({id, id.substr(0, id.find('&'))});
  }
  return tree;
}

// The simulation logs every call; a fresh tree now and then keeps that log (and the memory of the
// destroyed sets) from growing through the run. About this many devices are walked per tree.
const long kDeviceVisitsPerTree = 250000;

// Arguments: present devices, hardware IDs in the INF's models section.
void BM_ScanDevices(benchmark::State &state) {
  const int devices = static_cast<int>(state.range(0));
  const int ids = static_cast<int>(state.range(1));
  TempInfDir dir;
  const std::string infPath = dir.WriteKind(kModemKind, InfIds(ids));
  RecordingView view;

  std::unique_ptr<SimDeviceTree> tree = TreeOf(devices);
  std::unique_ptr<ScopedPlatform> platform = std::make_unique<ScopedPlatform>(*tree);
  CInstallerCore core(view);
  long visits = 0;
  bool matchedAll = true;
  for (auto _ : state) {
    const ScanResult scan = core.ScanDevices({kDriverKinds[0], infPath.c_str()});
    state.PauseTiming();
    matchedAll = matchedAll && scan.matched && scan.hardwareId == kModemId;
    core.ResetScanState();
    visits += devices;
    if (visits >= kDeviceVisitsPerTree) {
      platform.reset();
      tree = TreeOf(devices);
      platform = std::make_unique<ScopedPlatform>(*tree);
      visits = 0;
    }
    state.ResumeTiming();
  }
  if (!matchedAll)
    state.SkipWithError("the scan did not find the phone's modem interface");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * devices);
  // Seconds per present device.
  state.counters["per_device"] =
      benchmark::Counter(devices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void TreeAndListSizes(benchmark::internal::Benchmark *b) {
  b->ArgNames({"devices", "ids"});
  const std::vector<int64_t> trees = SmokeRun() ? std::vector<int64_t>{100, 1000} : std::vector<int64_t>{100, 1000, 10000};
  for (int64_t ids : {10, 1000})
    for (int64_t devices : trees)
      b->Args({devices, ids});
  b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_ScanDevices)->Apply(TreeAndListSizes);

} // namespace
