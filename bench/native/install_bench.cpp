// One whole automatic install over a simulated tree of many present devices: the scans walk every
// device twice per pass and the helper's search reads every device's hardware IDs.

#include <benchmark/benchmark.h>

#include <memory>

#include "tests/unit/InstallTestSupport.h"

using namespace quarveltest;

namespace {

std::unique_ptr<SimDeviceTree> TreeWithDevices(int unrelated, const TempInfDir &dir) {
  auto tree = std::make_unique<SimDeviceTree>(SimMode::Windows);
  tree->SetModuleFileName(dir.ExePath());
  for (int i = 0; i < unrelated; ++i)
    tree->AddPresentDevice({"USB\\VID_1234&PID_" + std::to_string(1000 + i % 9000), "USB\\VID_1234"});
  tree->AddPresentDevice({kModemId}, "Modem");
  tree->AddPresentDevice({kSerialId}, "Ports");
  tree->AddPresentDevice({kAdbId});
  return tree;
}

void BM_AutomaticInstall(benchmark::State &state) {
  TempInfDir dir;
  dir.WriteAllKinds();
  RecordingView view;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<SimDeviceTree> tree = TreeWithDevices(static_cast<int>(state.range(0)), dir);
    ScopedPlatform platform(*tree);
    CInstallerCore core(view);
    state.ResumeTiming();
    benchmark::DoNotOptimize(core.RunAutomaticInstall());
    state.PauseTiming();
    core.ResetScanState();
    tree.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_AutomaticInstall)->Arg(10)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond)->Complexity();
