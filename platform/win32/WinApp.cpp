#include "platform/win32/WinApp.h"

#include "platform/win32/Wnd.h"

namespace {
CWinApp *g_pApp = nullptr;

// The file name of a module path without its folder and its extension.
template <class Char>
std::basic_string<Char> FileTitle(const std::basic_string<Char> &path) {
  std::size_t start = path.find_last_of(static_cast<Char>('\\'));
  start = start == std::basic_string<Char>::npos ? 0 : start + 1;
  std::size_t dot = path.find_last_of(static_cast<Char>('.'));
  std::size_t end = dot == std::basic_string<Char>::npos || dot < start ? path.size() : dot;
  return path.substr(start, end - start);
}

std::string ModulePathA(HMODULE module) {
  char buffer[MAX_PATH + 1] = {};
  DWORD length = ::GetModuleFileNameA(module, buffer, MAX_PATH);
  return std::string(buffer, length < MAX_PATH ? length : MAX_PATH);
}

std::wstring ModulePathW(HMODULE module) {
  std::wstring buffer(32768, L'\0');
  DWORD length = ::GetModuleFileNameW(module, &buffer[0], static_cast<DWORD>(buffer.size()));
  buffer.resize(length < buffer.size() ? length : 0);
  return buffer;
}
} // namespace

CWinApp::CWinApp(const char *appName) {
  if (appName) {
    m_strAppName = appName;
    m_pszAppName = m_strAppName.c_str();
    int count = ::MultiByteToWideChar(CP_ACP, 0, appName, -1, nullptr, 0);
    if (count > 1) {
      m_strAppNameW.resize(static_cast<std::size_t>(count));
      ::MultiByteToWideChar(CP_ACP, 0, appName, -1, &m_strAppNameW[0], count);
      m_strAppNameW.resize(static_cast<std::size_t>(count - 1));
    }
  }
  g_pApp = this;
}

CWinApp::~CWinApp() {
  if (g_pApp == this)
    g_pApp = nullptr;
}

void CWinApp::InitModule(HINSTANCE instance) {
  m_hInstance = instance;
  if (!m_pszAppName) {
    m_strAppName = FileTitle(ModulePathA(instance));
    m_strAppNameW = FileTitle(ModulePathW(instance));
    m_pszAppName = m_strAppName.c_str();
  }
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd && CWnd::WalkPreTranslateTree(&msg))
      continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

HICON CWinApp::LoadIcon(UINT resourceId) const { return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(resourceId)); }

CWinApp *AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetResourceHandle() { return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandleW(nullptr); }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CWinApp *app = AfxGetApp();
  if (!app)
    return -1;
  app->InitModule(instance);
  if (!app->InitInstance())
    return app->ExitInstance();
  return app->Run();
}
