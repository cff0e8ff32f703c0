// The INF reader on a large INF whose models section comes last, against the plainest line-by-line
// read of the same file (std::getline on a std::ifstream, counting lines and nothing else): that
// read is the floor of what any line reader costs, so the ratio is the reader's own overhead.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/native/BenchSettings.h"
#include "install/InfFileHelper.h"

namespace {

namespace fs = std::filesystem;

const char kSection[] = "Models.NTamd64";
const int kModelLines = 4;
const int64_t kMiB = 1 << 20;

// A driver INF of about the given size: [Version], then install, registry and string sections of
// ordinary line lengths, then the models section as the file's last lines, so that the search for
// it passes the whole file. Removed with the object.
class GeneratedInf {
public:
  explicit GeneratedInf(int64_t targetBytes) {
    m_path = fs::temp_directory_path() /
             ("quarvel_bench_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "_" +
              std::to_string(targetBytes) + ".inf");
    std::ofstream out(m_path, std::ios::binary);
    out << "[Version]\r\n"
           "Signature   = \"$Windows NT$\"\r\n"
           "Class       = Modem\r\n"
           "ClassGuid   = {4D36E96D-E325-11CE-BFC1-08002BE10318}\r\n"
           "Provider    = %Mfg%\r\n"
           "DriverVer   = 06/21/2026,2.1.0.5\r\n"
           "CatalogFile = qcmdm.cat\r\n"
           "\r\n"
           "[Manufacturer]\r\n"
           "%Mfg% = Models, NTamd64\r\n"
           "\r\n";
    for (int block = 0; static_cast<int64_t>(out.tellp()) < targetBytes; ++block)
      WriteFillerBlock(out, block);
    out << "[" << kSection << "]\r\n"
        << "; the phone's interfaces\r\n";
    for (int i = 0; i < kModelLines; ++i)
      out << "%Modem" << i << "Desc% = Modem" << i << ", USB\\VID_05C6&PID_9018&MI_0" << i << "\r\n";
    m_nBytes = static_cast<int64_t>(out.tellp());
    m_bWritten = static_cast<bool>(out);
  }
  ~GeneratedInf() {
    std::error_code ignored;
    fs::remove(m_path, ignored);
  }
  GeneratedInf(const GeneratedInf &) = delete;
  GeneratedInf &operator=(const GeneratedInf &) = delete;

  bool Written() const { return m_bWritten; }
  std::string Path() const { return m_path.string(); }
  int64_t Bytes() const { return m_nBytes; }

private:
  static void WriteFillerBlock(std::ofstream &out, int block) {
    out << "[Modem" << block << ".NT]\r\n"
        << "Include   = mdmcpq.inf\r\n"
        << "CopyFiles = FakeModemCopyFileSection\r\n"
        << "AddReg    = All, MfgAddReg, Modem" << block << ".AddReg\r\n"
        << "; settings of interface " << block << ", written by the device's tool chain\r\n"
        << "\r\n"
        << "[Modem" << block << ".AddReg]\r\n"
        << "HKR,, Properties, 1, 80,01,00,00, 00,00,00,00, 00,00,00,00, 00,00,00,00\r\n"
        << "HKR,, DeviceType, 1, 01\r\n"
        << "HKR, Init, 1,, \"AT<cr>\"\r\n"
        << "HKR, Settings, Prefix,, \"AT\"\r\n"
        << "\r\n"
        << "[Strings.Modem" << block << "]\r\n"
        << "Modem" << block << "Desc = \"Quarvel Test Modem Interface " << block << "\"\r\n"
        << "\r\n";
  }

  fs::path m_path;
  int64_t m_nBytes = 0;
  bool m_bWritten = false;
};

// One file per size for the whole run, written the first time a benchmark asks for it.
const GeneratedInf &InfOfMiB(int64_t mib) {
  static std::map<int64_t, std::unique_ptr<GeneratedInf>> files;
  std::unique_ptr<GeneratedInf> &file = files[mib];
  if (!file)
    file = std::make_unique<GeneratedInf>(mib * kMiB);
  return *file;
}

// What the installer does with an INF: open, read one section, close. Returns the values found.
int ReadWithInfReader(const std::string &path) {
  CInfFileHelper reader;
  if (!reader.Open(path.c_str()))
    return -1;
  CStringArray values;
  reader.ReadSectionValues(kSection, values);
  return values.GetSize();
}

// The plain read: every line, nothing done with it. Returns the lines read.
int64_t ReadPlainLines(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  int64_t lines = 0;
  while (std::getline(in, line))
    ++lines;
  return lines;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Sizes in MiB: the measured 20, or 1 for the smoke run.
void InfSizes(benchmark::internal::Benchmark *b) {
  b->ArgName("MiB")->Arg(SmokeRun() ? 1 : 20)->Unit(benchmark::kMillisecond);
}

void BM_InfReader(benchmark::State &state) {
  const GeneratedInf &inf = InfOfMiB(state.range(0));
  if (!inf.Written()) {
    state.SkipWithError("cannot write the INF");
    return;
  }
  int values = 0;
  for (auto _ : state) {
    values = ReadWithInfReader(inf.Path());
    benchmark::DoNotOptimize(values);
  }
  if (values != kModelLines)
    state.SkipWithError("the reader missed the models section");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * inf.Bytes());
}
BENCHMARK(BM_InfReader)->Apply(InfSizes);

void BM_PlainLineRead(benchmark::State &state) {
  const GeneratedInf &inf = InfOfMiB(state.range(0));
  if (!inf.Written()) {
    state.SkipWithError("cannot write the INF");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadPlainLines(inf.Path()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * inf.Bytes());
}
BENCHMARK(BM_PlainLineRead)->Apply(InfSizes);

// Both reads in every iteration, taking turns at going first, so that both meet the same machine
// load and the same cache; the time shown is the two together. Counters: MiB/s of each, and ratio =
// the reader's throughput over the plain read's.
void BM_InfReaderVsPlainRead(benchmark::State &state) {
  const GeneratedInf &inf = InfOfMiB(state.range(0));
  if (!inf.Written()) {
    state.SkipWithError("cannot write the INF");
    return;
  }
  using Clock = std::chrono::steady_clock;
  double oursSeconds = 0;
  double plainSeconds = 0;
  bool oursFirst = true;
  bool found = true;
  for (auto _ : state) {
    double ours = 0;
    double plain = 0;
    for (int turn = 0; turn < 2; ++turn) {
      const Clock::time_point start = Clock::now();
      if ((turn == 0) == oursFirst) {
        found = ReadWithInfReader(inf.Path()) == kModelLines && found;
        ours = Seconds(Clock::now() - start);
      } else {
        benchmark::DoNotOptimize(ReadPlainLines(inf.Path()));
        plain = Seconds(Clock::now() - start);
      }
    }
    oursFirst = !oursFirst;
    oursSeconds += ours;
    plainSeconds += plain;
    state.SetIterationTime(ours + plain);
  }
  if (!found)
    state.SkipWithError("the reader missed the models section");
  const double mib = static_cast<double>(inf.Bytes()) * static_cast<double>(state.iterations()) / kMiB;
  state.counters["ours_MiBps"] = oursSeconds > 0 ? mib / oursSeconds : 0;
  state.counters["plain_MiBps"] = plainSeconds > 0 ? mib / plainSeconds : 0;
  state.counters["ratio"] = oursSeconds > 0 ? plainSeconds / oursSeconds : 0;
}
BENCHMARK(BM_InfReaderVsPlainRead)->Apply(InfSizes)->UseManualTime();

} // namespace
