// The start-up hand-over to the 64-bit build, against a stand-in for the process facts.

#include <gtest/gtest.h>

#include "FakeProcess.h"
#include "TraceRecorder.h"
#include "install/HandOver.h"

namespace {

using quarveltest::FakeProcess;

TEST(HandOver, OnlyA32BitProcessOn64BitWindowsRunsOur64BitBuildBesideItAndEndsAsItEnds) {
  const std::string running = "64-bit Windows: running Quarvel64.exe\n", refused = "Quarvel64.exe not started: ";
  // Each case changes one fact of a 32-bit Quarvel.exe on 64-bit Windows with its x86_64 build beside it.
  const struct { const char *what; void (*change)(FakeProcess &); std::optional<DWORD> exitCode; std::vector<std::string> traced; } cases[] = {
      {"the 64-bit build ending with 3", [](FakeProcess &p) { p.exitCode = 3; }, 3u,
       {running, "Quarvel64.exe ended with exit code 3\n"}},
      {"the 64-bit build missing", [](FakeProcess &p) { p.buildBeside = false; }, std::nullopt, {}},
      {"the 64-bit build not starting", [](FakeProcess &p) { p.startCode = ERROR_ACCESS_DENIED; }, std::nullopt,
       {running, "Quarvel64.exe did not start (5)\n"}},
      {"not a 32-bit process on 64-bit Windows", [](FakeProcess &p) { p.wow64 = false; }, std::nullopt, {}},
      {"a 32-bit build renamed after the 64-bit one", [](FakeProcess &p) { p.name = "QUARVEL64.EXE"; }, std::nullopt, {}},
      // Run elevated, it must be ours: not a stale build left in the folder, nor a file planted there.
      {"i686 code under its name", [](FakeProcess &p) { p.build->machine = 0x014C; }, std::nullopt,
       {refused + "it is not x86_64 code (machine 0x14C)\n"}},
      {"another product", [](FakeProcess &p) { p.build->productName = u"Quarvel"; }, std::nullopt,
       {refused + "its version block names another product\n"}},
      {"another version", [](FakeProcess &p) { p.build->fileVersion = 0x0001000000000000; }, std::nullopt,
       {refused + "it is version 1.0.0.0, not 1.0.0.1\n"}},
      {"no version block", [](FakeProcess &p) { p.build.reset(); }, std::nullopt,
       {refused + "there is no version block to compare\n"}},
  };
  for (const auto &c : cases) {
    TraceRecorder trace;
    FakeProcess process;
    c.change(process);
    EXPECT_EQ(HandOverTo64BitBuild(process), c.exitCode) << c.what;
    EXPECT_EQ(trace.texts, c.traced) << c.what;
  }
}

} // namespace
