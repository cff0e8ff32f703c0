// The start-up hand-over to the 64-bit build, against a stand-in for the process facts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TraceRecorder.h"
#include "install/HandOver.h"

namespace {

struct Facts {
  bool wow64;
  const char *name;
  bool buildBeside; // Quarvel64.exe lies beside the executable
  DWORD startCode;
};

struct FakeProcess : ProcessFacts {
  explicit FakeProcess(const Facts &given) : facts(given) {}
  bool Is32BitOn64BitWindows() override { return facts.wow64; }
  CString ExecutableName() override { return facts.name; }
  bool ExistsBesideExecutable(PCSTR name) override { return facts.buildBeside && std::string(name) == "Quarvel64.exe"; }
  DWORD StartBesideExecutable(PCSTR name) override {
    started.push_back(name);
    return facts.startCode;
  }
  const Facts facts;
  std::vector<std::string> started;
};

TEST(HandOver, OnlyA32BitProcessOn64BitWindowsStartsThe64BitBuildBesideIt) {
  // A start is tried exactly where something is traced.
  const struct { const char *what; Facts facts; bool handedOver; std::vector<std::string> traced; } cases[] = {
      {"32-bit on 64-bit Windows", {true, "Quarvel.exe", true, 0}, true, {"64-bit Windows: started Quarvel64.exe\n"}},
      {"the 64-bit build missing", {true, "Quarvel.exe", false, 0}, false, {}},
      {"the 64-bit build not starting", {true, "Quarvel.exe", true, ERROR_ACCESS_DENIED}, false,
       {"Quarvel64.exe did not start (5)\n"}},
      {"the 64-bit build itself", {false, "Quarvel64.exe", true, 0}, false, {}},
      {"32-bit on 32-bit Windows", {false, "Quarvel.exe", true, 0}, false, {}},
      {"a 32-bit build renamed after the 64-bit one", {true, "QUARVEL64.EXE", true, 0}, false, {}},
  };
  for (const auto &c : cases) {
    TraceRecorder trace;
    FakeProcess process(c.facts);
    EXPECT_EQ(HandOverTo64BitBuild(process), c.handedOver) << c.what;
    EXPECT_EQ(process.started, std::vector<std::string>(c.traced.size(), "Quarvel64.exe")) << c.what;
    EXPECT_EQ(trace.texts, c.traced) << c.what;
  }
}

} // namespace
