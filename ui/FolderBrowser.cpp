#include "ui/FolderBrowser.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

static_assert(sizeof(BROWSEINFOA) == (sizeof(void *) == 4 ? 32 : 64), "BROWSEINFOA layout");

namespace {
// COM for the browser's lifetime, balanced even when initialisation reports it was already done.
class ComScope {
public:
  ComScope() : m_hr(::CoInitialize(nullptr)) {}
  ~ComScope() {
    if (SUCCEEDED(m_hr))
      ::CoUninitialize();
  }
  ComScope(const ComScope &) = delete;
  ComScope &operator=(const ComScope &) = delete;

private:
  HRESULT m_hr;
};

// The item list that the browser returns belongs to the caller, who frees it with the task allocator.
class ItemList {
public:
  explicit ItemList(PIDLIST_ABSOLUTE list) : m_list(list) {}
  ~ItemList() { ::CoTaskMemFree(m_list); }
  ItemList(const ItemList &) = delete;
  ItemList &operator=(const ItemList &) = delete;
  PIDLIST_ABSOLUTE get() const { return m_list; }

private:
  PIDLIST_ABSOLUTE m_list;
};
} // namespace

CString BrowseForFolder(const char *title) {
  ComScope com;
  BROWSEINFOA info = {};
  info.hwndOwner = nullptr;
  info.pidlRoot = nullptr; // the desktop
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  ItemList chosen(::SHBrowseForFolderA(&info));
  if (!chosen.get())
    return CString();
  char path[260] = {};
  if (!::SHGetPathFromIDListA(chosen.get(), path))
    return CString();
  return CString(path);
}
