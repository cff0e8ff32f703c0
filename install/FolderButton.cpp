#include "install/FolderButton.h"

bool RunFolderInstallFromChoice(CInstallerCore &core, const std::function<CString()> &chooseFolder) {
  if (core.IsBusy())
    return false;
  const CString folder = chooseFolder();
  return !folder.IsEmpty() && core.RunFolderInstall(folder);
}
