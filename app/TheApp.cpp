#include "app/QuarvelApp.h"

#include "platform/win32/SystemLibrary.h"

// Start-up runs during static initialisation, in this order: DLL loading is restricted to the system
// directory (before anything can load the device-installation libraries), the application object is
// built, then the refresh message number (ui/RefreshMessage.cpp).
namespace {
struct DllSearchRestriction {
  DllSearchRestriction() { RestrictDllSearchToSystemDirectory(); }
};
DllSearchRestriction g_dllSearchRestriction __attribute__((init_priority(101)));
} // namespace

CQuarvelApp theApp __attribute__((init_priority(102)));
