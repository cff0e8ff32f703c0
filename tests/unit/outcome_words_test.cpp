// From an install's outcome to the details the dialog shows: each common cause's advice, the system's
// words looked up where its message table holds them, the code; a missing INF; the restart line.

#include <gtest/gtest.h>

#include "install/OutcomeWords.h"
#include "platform/sim/SimSystemText.h"

namespace {

const std::u16string kAdmin = u"Run Quarvel as administrator (right-click, Run as administrator). ";
const std::u16string kSignature = u"Use the original, unmodified driver package; choose Install if Windows asks. ";
const std::u16string kDamaged = u"The INF file is damaged: get the driver package again. ";
const std::u16string kNoDriver = u"This INF has no driver for the device: check that it is the package for this phone. ";
const std::u16string kWait = u"Wait for the other installation, or restart Windows, then try again. ";
const std::u16string kPolicy = u"A system policy blocks this install: ask your administrator. ";
const std::u16string kWords = u"The system's words. ";
const std::u16string kRestart = u"Restart Windows to finish installing the drivers.";
const std::u16string kLog = u"Windows' install log: C:\\Windows\\inf\\setupapi.dev.log";

// The three passes over C:\drivers, each installed (asking for a restart or not) but the serial port's.
InstallOutcome SerialPortFails(InstallResult serial, bool restart = false) {
  InstallOutcome outcome;
  for (const DriverKind &kind : kDriverKinds)
    outcome.passes.push_back({kind, CString("C:\\drivers") + kind.infFileName, InstallResult{nullptr, 0, restart}});
  outcome.passes[1].install = serial;
  return outcome;
}

TEST(OutcomeWords, AFailedDriverGetsAdviceTheSystemsWordsAndTheCode) {
  // held: the system's words as its message table holds them, by default with a line end inside and at the end.
  const struct {
    DWORD code, heldUnder;
    std::u16string shown;
    const char *step = "UpdateDriverForPlugAndPlayDevices";
    std::u16string held = u"The system's\r\nwords.\r\n";
  } cases[] = {
      // One code for each sentence of advice; the advice table's further codes go through the same
      // lookup, and SetupAPI's codes are looked up in their message-table form.
      {.code = 5, .heldUnder = 5, .shown = kAdmin + kWords + u"(error 0x00000005)"},
      {.code = 0xE0000235, .heldUnder = 0x800F0235,
       .shown = u"Put Quarvel64.exe beside Quarvel.exe. " + kWords + u"(error 0xE0000235)"},
      {.code = 0xE000022F, .heldUnder = 0x800F022F, .shown = kSignature + kWords + u"(error 0xE000022F)"},
      {.code = 13, .heldUnder = 13, .shown = kDamaged + kWords + u"(error 0x0000000D)"},
      {.code = 259, .heldUnder = 259, .shown = kNoDriver + kWords + u"(error 0x00000103)"},
      {.code = 0xE0000246, .heldUnder = 0x800F0246, .shown = kWait + kWords + u"(error 0xE0000246)"},
      {.code = 0xE0000248, .heldUnder = 0x800F0248, .shown = kPolicy + kWords + u"(error 0xE0000248)"},
      // No advice: the system's words and the code; without words, the code alone.
      {.code = 8, .heldUnder = 8, .shown = kWords + u"(error 0x00000008)"},
      {.code = 0xE0000ABC, .heldUnder = 0, .shown = u"(error 0xE0000ABC)"},
      // The words on one line, whatever white space breaks or ends them.
      {.code = 2, .heldUnder = 2, .shown = kWords + u"(error 0x00000002)", .held = u"The system's words."},
      {.code = 6, .heldUnder = 6, .shown = kWords + u"(error 0x00000006)", .held = u" The\tsystem's \r\n words. \r\n"},
      // Wine fails a class read without a code when the INF names no class.
      {.code = 0, .heldUnder = 0, .shown = kDamaged + u"(no error code)", .step = kInfClassStep},
      {.code = 8, .heldUnder = 8, .shown = kWords + u"(error 0x00000008)", .step = kInfClassStep}, // with one
  };
  SimSystemText system;
  for (const auto &c : cases) {
    system.messages = {{c.heldUnder, c.held}};
    const std::vector<std::u16string> expected = {u"Serial port driver (qcser.inf): " + c.shown, kLog};
    EXPECT_EQ(OutcomeDetails(SerialPortFails({c.step, c.code}), system), expected) << c.step << " failing with " << std::hex << c.code;
  }
}

TEST(OutcomeWords, AMissingInfIsNamedWithItsFolderAndARestartIsAskedFor) {
  SimSystemText system;
  const std::vector<std::u16string> missing = {
      u"Serial port driver (qcser.inf): qcser.inf is not in C:\\drivers.", kRestart, kLog};
  EXPECT_EQ(OutcomeDetails(SerialPortFails({kInfMissingStep, 2}, true), system), missing);
  EXPECT_EQ(OutcomeDetails(SerialPortFails({}, true), system), std::vector<std::u16string>{kRestart});
  EXPECT_EQ(OutcomeDetails(SerialPortFails({}), system), std::vector<std::u16string>{});
}

} // namespace
