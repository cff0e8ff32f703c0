#pragma once
// The application object: one per process, constructed during static initialisation. WinMain calls
// its InitInstance; when that returns FALSE the process ends without a message loop.

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
  // Without a name, the application is named after the executable file, without its extension.
  explicit CWinApp(const char *appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp &) = delete;
  CWinApp &operator=(const CWinApp &) = delete;

  virtual BOOL InitInstance();
  // The message loop, for an application that keeps running after InitInstance.
  virtual int Run();
  virtual int ExitInstance();

  HICON LoadIcon(UINT resourceId) const;
  // The name as wide text, for captions that must show right in any system language.
  const std::wstring &GetAppNameW() const { return m_strAppNameW; }

  const char *m_pszAppName = nullptr;
  HINSTANCE m_hInstance = nullptr;
  CWnd *m_pMainWnd = nullptr;

private:
  friend int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);
  void InitModule(HINSTANCE instance);

  std::string m_strAppName;
  std::wstring m_strAppNameW;
};

CWinApp *AfxGetApp();
HINSTANCE AfxGetResourceHandle();
