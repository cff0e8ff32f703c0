// The process facts as Windows (here Wine, in its 64-bit prefix) gives them to the hand-over.

#include <gtest/gtest.h>

#include "platform/win32/Win32ProcessFacts.h"

namespace {

TEST(ProcessFacts, ThisProcessAndTheFilesBesideIt) {
  Win32ProcessFacts facts;
  // A 32-bit test program runs as a 32-bit process on 64-bit Windows; a 64-bit one never says so.
  EXPECT_EQ(facts.Is32BitOn64BitWindows(), sizeof(void *) == 4);
  EXPECT_EQ(facts.ExecutableName(), "wine_tests.exe");
  EXPECT_TRUE(facts.ExistsBesideExecutable("wine_tests.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("no-such-program.exe"));
  EXPECT_FALSE(facts.ExistsBesideExecutable("CMakeFiles")) << "a folder (the build's own) is no program";
  EXPECT_EQ(facts.StartBesideExecutable("no-such-program.exe"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
