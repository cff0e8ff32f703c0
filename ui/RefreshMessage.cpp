#include "ui/RefreshMessage.h"

// Registered during static initialisation; unprioritised, so after the start-up steps in app/TheApp.cpp.
UINT g_nRefreshMessage = ::RegisterWindowMessageA(MakeRefreshMessageName());

CString MakeRefreshMessageName() {
  char computerName[260] = {};
  DWORD size = sizeof(computerName);
  CString name = "DevMgrRefreshOn";
  if (::GetComputerNameA(computerName, &size))
    name += computerName;
  return name;
}
