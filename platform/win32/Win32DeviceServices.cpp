#include "platform/win32/Win32DeviceServices.h"

#include <string>

namespace {

typedef BOOL(WINAPI *UpdateDriverFunction)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

// Owns a FindFirstFileA search handle.
class FindHandle {
public:
  explicit FindHandle(HANDLE handle) : m_handle(handle) {}
  ~FindHandle() {
    if (valid())
      ::FindClose(m_handle);
  }
  FindHandle(const FindHandle &) = delete;
  FindHandle &operator=(const FindHandle &) = delete;
  bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
  HANDLE m_handle;
};

// newdev.dll only from the system directory: a copy planted beside the executable must never load.
HMODULE LoadNewDeviceLibrary() {
  HMODULE module = ::LoadLibraryExA("newdev.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module)
    return module;
  // Systems without the search-directory flags refuse it; name the file by its full system path instead.
  char directory[MAX_PATH];
  UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::string path = std::string(directory, length) + "\\newdev.dll";
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The driver-update entry point, resolved once and kept for the life of the process.
struct UpdateDriverEntry {
  UpdateDriverFunction function = nullptr;
  DWORD failure = ERROR_SUCCESS; // the loader's code when the entry point is unavailable

  static const UpdateDriverEntry &Get() {
    static const UpdateDriverEntry entry = Resolve();
    return entry;
  }

private:
  static UpdateDriverEntry Resolve() {
    UpdateDriverEntry entry;
    HMODULE module = LoadNewDeviceLibrary();
    FARPROC address = module ? ::GetProcAddress(module, "UpdateDriverForPlugAndPlayDevicesA") : nullptr;
    if (address)
      entry.function = reinterpret_cast<UpdateDriverFunction>(reinterpret_cast<void *>(address));
    else
      entry.failure = ::GetLastError() ? ::GetLastError() : ERROR_PROC_NOT_FOUND;
    return entry;
  }
};

class Win32DeviceServices : public DeviceServices {
public:
  HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags) override {
    return ::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
  }
  HDEVINFO SetupDiCreateDeviceInfoList(const GUID *classGuid, HWND parent) override {
    return ::SetupDiCreateDeviceInfoList(classGuid, parent);
  }
  BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device) override {
    return ::SetupDiEnumDeviceInfo(set, index, device);
  }
  BOOL SetupDiCreateDeviceInfoA(HDEVINFO set, PCSTR deviceName, const GUID *classGuid, PCSTR description, HWND parent,
                                DWORD flags, PSP_DEVINFO_DATA device) override {
    return ::SetupDiCreateDeviceInfoA(set, deviceName, classGuid, description, parent, flags, device);
  }
  BOOL SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device) override {
    return ::SetupDiRemoveDevice(set, device);
  }
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override { return ::SetupDiDestroyDeviceInfoList(set); }

  BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                         DWORD *propertyRegDataType, BYTE *buffer, DWORD bufferSize,
                                         DWORD *requiredSize) override {
    return ::SetupDiGetDeviceRegistryPropertyA(set, device, property, propertyRegDataType, buffer, bufferSize,
                                               requiredSize);
  }
  BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, const BYTE *buffer,
                                         DWORD bufferSize) override {
    return ::SetupDiSetDeviceRegistryPropertyA(set, device, property, buffer, bufferSize);
  }

  BOOL SetupDiGetINFClassA(PCSTR infName, GUID *classGuid, PSTR className, DWORD classNameSize,
                           DWORD *requiredSize) override {
    return ::SetupDiGetINFClassA(infName, classGuid, className, classNameSize, requiredSize);
  }
  BOOL SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, PSP_DEVINFO_DATA device) override {
    return ::SetupDiCallClassInstaller(installFunction, set, device);
  }
  BOOL UpdateDriverForPlugAndPlayDevicesA(HWND parent, PCSTR hardwareId, PCSTR fullInfPath, DWORD installFlags,
                                          BOOL *rebootRequired) override {
    const UpdateDriverEntry &entry = UpdateDriverEntry::Get();
    if (!entry.function) {
      ::SetLastError(entry.failure);
      return FALSE;
    }
    return entry.function(parent, hardwareId, fullInfPath, installFlags, rebootRequired);
  }

  DWORD GetLastError() override { return ::GetLastError(); }
  void SetLastError(DWORD code) override { ::SetLastError(code); }
  bool FileExists(PCSTR path) override {
    WIN32_FIND_DATAA found;
    FindHandle search(::FindFirstFileA(path, &found));
    return search.valid();
  }
  DWORD GetModuleFileNameA(HMODULE module, PSTR fileName, DWORD size) override {
    return ::GetModuleFileNameA(module, fileName, size);
  }
};

} // namespace

DeviceServices &Win32DeviceServicesInstance() {
  static Win32DeviceServices services;
  return services;
}

DeviceServices &DefaultDeviceServices() { return Win32DeviceServicesInstance(); }
