// How fast the INF reader gets the hardware IDs out of large INF files.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "install/InfFileHelper.h"

namespace {

namespace fs = std::filesystem;

// An INF of `lines` filler lines in other sections, then the models section with `values` IDs, then
// as many filler lines again, so that the search passes most of the file.
class GeneratedInf {
public:
  GeneratedInf(int lines, int values, int valueLength) {
    m_path = fs::temp_directory_path() /
             ("quarvel_bench_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "_" +
              std::to_string(lines) + "_" + std::to_string(values) + "_" +
              std::to_string(valueLength) + ".inf");
    std::ofstream out(m_path, std::ios::binary);
    out << "[Version]\r\nSignature = \"$Windows NT$\"\r\n";
    WriteFiller(out, "Before", lines / 2);
    out << "[Models.NTamd64]\r\n; the phone's interfaces\r\n";
    const std::string padding(static_cast<size_t>(valueLength > 28 ? valueLength - 28 : 0), 'P');
    for (int i = 0; i < values; ++i) {
      char id[64];
      std::snprintf(id, sizeof id, "USB\\VID_05C6&PID_%04X&MI_%02d", i % 0xFFFF, i % 100);
      out << "%Device" << i << "% = Install_" << i << ", " << id << padding << "\r\n";
    }
    WriteFiller(out, "After", lines - lines / 2);
    m_nBytes = static_cast<int64_t>(out.tellp());
  }
  ~GeneratedInf() {
    std::error_code ignored;
    fs::remove(m_path, ignored);
  }
  std::string Path() const { return m_path.string(); }
  int64_t Bytes() const { return m_nBytes; }

private:
  static void WriteFiller(std::ofstream &out, const char *name, int lines) {
    out << "[" << name << "]\r\n";
    for (int i = 0; i < lines; ++i)
      out << "HKR,, Filler" << i << ", 0x00010001, " << i << "   ; nothing the reader looks for\r\n";
  }
  fs::path m_path;
  int64_t m_nBytes = 0;
};

const GeneratedInf &InfFor(int lines, int values, int valueLength) {
  static std::map<std::string, GeneratedInf> files;
  const std::string key = std::to_string(lines) + "/" + std::to_string(values) + "/" + std::to_string(valueLength);
  auto found = files.find(key);
  if (found == files.end())
    found = files.emplace(std::piecewise_construct, std::forward_as_tuple(key),
                          std::forward_as_tuple(lines, values, valueLength)).first;
  return found->second;
}

// One open file, the section read again and again (each read searches from the top).
void BM_ReadSectionValues(benchmark::State &state) {
  const GeneratedInf &inf = InfFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                   static_cast<int>(state.range(2)));
  CInfFileHelper reader;
  if (!reader.Open(inf.Path().c_str())) {
    state.SkipWithError("cannot open the generated INF");
    return;
  }
  CStringArray values;
  for (auto _ : state) {
    reader.ReadSectionValues("Models.NTamd64", values);
    benchmark::DoNotOptimize(values.GetSize());
  }
  if (values.GetSize() != state.range(1))
    state.SkipWithError("wrong number of values");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * inf.Bytes());
  state.counters["values"] = static_cast<double>(values.GetSize());
}
BENCHMARK(BM_ReadSectionValues)
    ->Args({1000, 10, 28})
    ->Args({100000, 1000, 28})
    ->Args({10000, 10000, 28})
    ->Args({10, 10, 1 << 20})
    ->Unit(benchmark::kMillisecond);

// What the installer pays per INF: open, read one section, close.
void BM_OpenReadClose(benchmark::State &state) {
  const GeneratedInf &inf = InfFor(static_cast<int>(state.range(0)), 20, 28);
  for (auto _ : state) {
    CInfFileHelper reader;
    CStringArray values;
    reader.Open(inf.Path().c_str());
    reader.ReadSectionValues("Models.NTamd64", values);
    benchmark::DoNotOptimize(values.GetSize());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * inf.Bytes());
}
BENCHMARK(BM_OpenReadClose)->Arg(200)->Arg(5000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
