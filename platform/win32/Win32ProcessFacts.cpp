#include "platform/win32/Win32ProcessFacts.h"

#include "platform/CodePage.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

#include <string>

namespace {
typedef BOOL(WINAPI *IsWow64Process2Function)(HANDLE, USHORT *, USHORT *);
typedef BOOL(WINAPI *IsWow64ProcessFunction)(HANDLE, BOOL *);

std::wstring ExecutablePath() {
  std::wstring path(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path;
}

// Where a file of this name lies in the executable's folder; empty when that folder is unknown.
std::wstring PathBesideExecutable(PCSTR fileName) {
  const std::wstring path = ExecutablePath();
  const std::size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1) + WideFromCodePage(CP_ACP, fileName);
}

// Owns the handles a started process comes with.
struct StartedProcess {
  PROCESS_INFORMATION info = {};
  StartedProcess() = default;
  StartedProcess(const StartedProcess &) = delete;
  StartedProcess &operator=(const StartedProcess &) = delete;
  ~StartedProcess() {
    if (info.hThread)
      ::CloseHandle(info.hThread);
    if (info.hProcess)
      ::CloseHandle(info.hProcess);
  }
};
} // namespace

bool Win32ProcessFacts::Is32BitOn64BitWindows() {
#ifdef _WIN64
  return false;
#else
  // Both calls are newer than some systems this build runs on: looked up, not imported.
  USHORT process = IMAGE_FILE_MACHINE_UNKNOWN, native = IMAGE_FILE_MACHINE_UNKNOWN;
  auto isWow64Process2 = SystemFunction<IsWow64Process2Function>(L"kernel32.dll", "IsWow64Process2");
  if (isWow64Process2 && isWow64Process2(::GetCurrentProcess(), &process, &native))
    return process != IMAGE_FILE_MACHINE_UNKNOWN && native == IMAGE_FILE_MACHINE_AMD64;
  BOOL wow64 = FALSE;
  auto isWow64Process = SystemFunction<IsWow64ProcessFunction>(L"kernel32.dll", "IsWow64Process");
  if (!isWow64Process || !isWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
    return false;
  SYSTEM_INFO system = {};
  ::GetNativeSystemInfo(&system);
  return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
#endif
}

CString Win32ProcessFacts::ExecutableName() {
  const std::wstring path = ExecutablePath();
  const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return CString(AnsiFromUtf16(std::u16string(name.begin(), name.end())).c_str());
}

bool Win32ProcessFacts::ExistsBesideExecutable(PCSTR fileName) {
  const std::wstring path = PathBesideExecutable(fileName);
  const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD Win32ProcessFacts::StartBesideExecutable(PCSTR fileName) {
  const std::wstring path = PathBesideExecutable(fileName);
  if (path.empty())
    return ERROR_FILE_NOT_FOUND;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  StartedProcess started;
  if (!::CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started.info)) {
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : static_cast<DWORD>(ERROR_GEN_FAILURE);
  }
  return ERROR_SUCCESS;
}
