#include "ui/RefreshMessage.h"

CString MakeRefreshMessageName() {
  char computerName[260] = {};
  DWORD size = sizeof(computerName);
  CString name = "DevMgrRefreshOn";
  if (::GetComputerNameA(computerName, &size))
    name += computerName;
  return name;
}
