// The start-up hand-over to the 64-bit build, against a stand-in for the process facts.

#include <gtest/gtest.h>

#include "install/HandOver.h"
#include "platform/sim/SimProcessFacts.h"
#include "platform/sim/SimTraceWindow.h"

namespace {

using Process = SimProcessFacts;

TEST(HandOver, OnlyA32BitProcessOn64BitWindowsRunsOur64BitBuildBesideItAndEndsAsItEnds) {
  const std::string running = "64-bit Windows: running Quarvel64.exe\n", refused = "Quarvel64.exe not started: ";
  // Each case changes one fact of a 32-bit Quarvel.exe on 64-bit Windows with its x86_64 build beside it.
  const struct {
    const char *what;
    void (*change)(Process &);
    std::optional<DWORD> exitCode{}; // the 64-bit build's, when it ran
    std::vector<std::string> traced{};
  } cases[] = {
      {.what = "the 64-bit build ending with 3", .change = [](Process &p) { p.exitCode = 3; }, .exitCode = 3u,
       .traced = {running, "Quarvel64.exe ended with exit code 3\n"}},
      {.what = "the 64-bit build missing", .change = [](Process &p) { p.buildBeside = false; }},
      {.what = "the 64-bit build not starting", .change = [](Process &p) { p.startCode = ERROR_ACCESS_DENIED; },
       .traced = {running, "Quarvel64.exe did not start (5)\n"}},
      {.what = "not a 32-bit process on 64-bit Windows", .change = [](Process &p) { p.wow64 = false; }},
      {.what = "a 32-bit build renamed after the 64-bit one", .change = [](Process &p) { p.name = "QUARVEL64.EXE"; }},
      // Run elevated, it must be ours: not a stale build left in the folder, nor a file planted there.
      {.what = "i686 code under its name", .change = [](Process &p) { p.build->machine = 0x014C; },
       .traced = {refused + "it is not x86_64 code (machine 0x14C)\n"}},
      {.what = "another product", .change = [](Process &p) { p.build->productName = u"Quarvel"; },
       .traced = {refused + "its version block names another product\n"}},
      {.what = "another version", .change = [](Process &p) { p.build->fileVersion = 0x0001000000000000; },
       .traced = {refused + "it is version 1.0.0.0, not 1.0.0.1\n"}},
      {.what = "no version block", .change = [](Process &p) { p.build.reset(); },
       .traced = {refused + "there is no version block to compare\n"}},
  };
  for (const auto &c : cases) {
    SimTraceWindow trace;
    Process process;
    c.change(process);
    EXPECT_EQ(HandOverTo64BitBuild(process), c.exitCode) << c.what;
    EXPECT_EQ(trace.texts, c.traced) << c.what;
  }
}

} // namespace
