#include "ContractBackend.h"

#ifdef _WIN32
const char *const kBackends[] = {"Real"};
#else
const char *const kBackends[] = {"SimWindows", "SimWine"};
#endif
INSTANTIATE_TEST_SUITE_P(Backends, ContractTest, ::testing::ValuesIn(kBackends),
                         [](const auto &info) { return std::string(info.param); });
