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
  const struct {
    const char *what;
    void (*change)(FakeProcess &);
    std::optional<DWORD> exitCode{}; // the 64-bit build's, when it ran
    std::vector<std::string> traced{};
  } cases[] = {
      {.what = "the 64-bit build ending with 3", .change = [](FakeProcess &p) { p.exitCode = 3; }, .exitCode = 3u,
       .traced = {running, "Quarvel64.exe ended with exit code 3\n"}},
      {.what = "the 64-bit build missing", .change = [](FakeProcess &p) { p.buildBeside = false; }},
      {.what = "the 64-bit build not starting", .change = [](FakeProcess &p) { p.startCode = ERROR_ACCESS_DENIED; },
       .traced = {running, "Quarvel64.exe did not start (5)\n"}},
      {.what = "not a 32-bit process on 64-bit Windows", .change = [](FakeProcess &p) { p.wow64 = false; }},
      {.what = "a 32-bit build renamed after the 64-bit one", .change = [](FakeProcess &p) { p.name = "QUARVEL64.EXE"; }},
      // Run elevated, it must be ours: not a stale build left in the folder, nor a file planted there.
      {.what = "i686 code under its name", .change = [](FakeProcess &p) { p.build->machine = 0x014C; },
       .traced = {refused + "it is not x86_64 code (machine 0x14C)\n"}},
      {.what = "another product", .change = [](FakeProcess &p) { p.build->productName = u"Quarvel"; },
       .traced = {refused + "its version block names another product\n"}},
      {.what = "another version", .change = [](FakeProcess &p) { p.build->fileVersion = 0x0001000000000000; },
       .traced = {refused + "it is version 1.0.0.0, not 1.0.0.1\n"}},
      {.what = "no version block", .change = [](FakeProcess &p) { p.build.reset(); },
       .traced = {refused + "there is no version block to compare\n"}},
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
