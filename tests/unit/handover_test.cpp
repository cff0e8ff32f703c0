// The start-up hand-over to the 64-bit build, against a stand-in for the process facts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TraceRecorder.h"
#include "install/HandOver.h"

namespace {

class FakeProcess : public ProcessFacts {
public:
  bool wow64 = false;
  CString name = "Quarvel.exe";
  bool buildBeside = false;
  DWORD startCode = ERROR_SUCCESS;
  std::vector<std::string> started;

  bool Is32BitOn64BitWindows() override { return wow64; }
  CString ExecutableName() override { return name; }
  bool ExistsBesideExecutable(PCSTR fileName) override {
    return buildBeside && std::string(fileName) == "Quarvel64.exe";
  }
  DWORD StartBesideExecutable(PCSTR fileName) override {
    started.push_back(fileName);
    return startCode;
  }
};

struct HandOverCase {
  const char *what;
  bool wow64;
  const char *name;
  bool buildBeside;
  DWORD startCode;
  bool handedOver;
  bool startTried;
  std::vector<std::string> traced;
};

TEST(HandOver, OnlyA32BitProcessOn64BitWindowsStartsThe64BitBuildBesideIt) {
  const HandOverCase cases[] = {
      {"32-bit on 64-bit Windows", true, "Quarvel.exe", true, ERROR_SUCCESS, true, true,
       {"64-bit Windows: started Quarvel64.exe\n"}},
      {"the 64-bit build missing", true, "Quarvel.exe", false, ERROR_SUCCESS, false, false, {}},
      {"the 64-bit build not starting", true, "Quarvel.exe", true, ERROR_ACCESS_DENIED, false, true,
       {"Quarvel64.exe did not start (5)\n"}},
      {"the 64-bit build itself", false, "Quarvel64.exe", true, ERROR_SUCCESS, false, false, {}},
      {"32-bit on 32-bit Windows", false, "Quarvel.exe", true, ERROR_SUCCESS, false, false, {}},
      {"a 32-bit build renamed after the 64-bit one", true, "QUARVEL64.EXE", true, ERROR_SUCCESS, false, false, {}},
  };
  for (const HandOverCase &c : cases) {
    TraceRecorder trace;
    FakeProcess process;
    process.wow64 = c.wow64;
    process.name = c.name;
    process.buildBeside = c.buildBeside;
    process.startCode = c.startCode;
    EXPECT_EQ(HandOverTo64BitBuild(process), c.handedOver) << c.what;
    EXPECT_EQ(process.started, c.startTried ? std::vector<std::string>{"Quarvel64.exe"} : std::vector<std::string>{})
        << c.what;
    EXPECT_EQ(trace.texts, c.traced) << c.what;
  }
}

} // namespace
