#include "platform/win32/Win32ProcessFacts.h"

#include "platform/CodePage.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {
typedef BOOL(WINAPI *IsWow64Process2Function)(HANDLE, USHORT *, USHORT *);
typedef BOOL(WINAPI *IsWow64ProcessFunction)(HANDLE, BOOL *);
typedef DWORD(WINAPI *GetFileVersionInfoSizeFunction)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI *GetFileVersionInfoFunction)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *VerQueryValueFunction)(LPCVOID, LPCWSTR, LPVOID *, PUINT);

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

class FileHandle {
public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  ~FileHandle() {
    if (m_handle != INVALID_HANDLE_VALUE)
      ::CloseHandle(m_handle);
  }
  FileHandle(const FileHandle &) = delete;
  FileHandle &operator=(const FileHandle &) = delete;
  // Reads exactly size bytes at offset.
  bool ReadAt(LONG offset, void *data, DWORD size) const {
    DWORD got = 0;
    return m_handle != INVALID_HANDLE_VALUE && ::SetFilePointer(m_handle, offset, nullptr, FILE_BEGIN) == DWORD(offset) &&
           ::ReadFile(m_handle, data, size, &got, nullptr) && got == size;
  }

private:
  HANDLE m_handle;
};

// The machine named by a PE file's header, or 0 when the file has none.
WORD ReadMachine(const std::wstring &path) {
  const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  IMAGE_DOS_HEADER dos = {};
  struct {
    DWORD signature;
    IMAGE_FILE_HEADER header;
  } nt = {};
  if (!file.ReadAt(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0 ||
      !file.ReadAt(dos.e_lfanew, &nt, sizeof nt) || nt.signature != IMAGE_NT_SIGNATURE)
    return 0;
  return nt.header.Machine;
}

// The version block's fixed file version and product name. Its functions are looked up in the system's
// version.dll: one beside the executable must never be loaded.
bool ReadVersionBlock(const std::wstring &path, ProgramFile &program) {
  auto getSize = SystemFunction<GetFileVersionInfoSizeFunction>(L"version.dll", "GetFileVersionInfoSizeW");
  auto getInfo = SystemFunction<GetFileVersionInfoFunction>(L"version.dll", "GetFileVersionInfoW");
  auto query = SystemFunction<VerQueryValueFunction>(L"version.dll", "VerQueryValueW");
  DWORD ignored = 0;
  const DWORD size = getSize && getInfo && query ? getSize(path.c_str(), &ignored) : 0;
  std::vector<BYTE> block(size);
  VS_FIXEDFILEINFO *fixed = nullptr;
  WORD *language = nullptr; // the first language and its code page
  UINT length = 0;
  if (size == 0 || !getInfo(path.c_str(), 0, size, block.data()) ||
      !query(block.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) || length < sizeof *fixed ||
      !query(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&language), &length) ||
      length < 2 * sizeof(WORD))
    return false;
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\ProductName", language[0], language[1]);
  wchar_t *name = nullptr;
  if (!query(block.data(), std::wstring(key, key + std::strlen(key)).c_str(), reinterpret_cast<void **>(&name), &length))
    return false;
  program.fileVersion = static_cast<std::uint64_t>(fixed->dwFileVersionMS) << 32 | fixed->dwFileVersionLS;
  program.productName.assign(name, name + ::wcsnlen(name, length));
  return true;
}

std::optional<ProgramFile> ReadProgram(const std::wstring &path) {
  ProgramFile program;
  program.machine = path.empty() ? 0 : ReadMachine(path);
  if (program.machine == 0 || !ReadVersionBlock(path, program))
    return std::nullopt;
  return program;
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

std::optional<ProgramFile> Win32ProcessFacts::ReadExecutable() { return ReadProgram(ExecutablePath()); }

std::optional<ProgramFile> Win32ProcessFacts::ReadBesideExecutable(PCSTR fileName) {
  return ReadProgram(PathBesideExecutable(fileName));
}

DWORD Win32ProcessFacts::RunBesideExecutable(PCSTR fileName, DWORD &exitCode) {
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
  // Whoever waits for this process (start /wait, an installer) gets the answer of the one doing the work.
  if (::WaitForSingleObject(started.info.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(started.info.hProcess, &exitCode))
    exitCode = ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : static_cast<DWORD>(ERROR_GEN_FAILURE);
  return ERROR_SUCCESS;
}
