#pragma once
// The platform's device-installation types and constants. On Windows they are the real ones;
// elsewhere a small set of our own with the same names, layouts and values, so that the portable
// logic compiles unchanged against the simulated device tree.

#ifdef _WIN32

#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#else

#include <cstdint>

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef unsigned long ULONG;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char CHAR;
typedef char *PSTR;
typedef const char *PCSTR;
typedef void *HANDLE;
typedef void *HDEVINFO;
typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HMODULE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};

struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
};
typedef SP_DEVINFO_DATA *PSP_DEVINFO_DATA;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define MAX_PATH 260

#define DIGCF_DEFAULT 0x00000001
#define DIGCF_PRESENT 0x00000002
#define DIGCF_ALLCLASSES 0x00000004
#define DIGCF_PROFILE 0x00000008
#define DIGCF_DEVICEINTERFACE 0x00000010

#define SPDRP_DEVICEDESC 0x00000000
#define SPDRP_HARDWAREID 0x00000001
#define SPDRP_COMPATIBLEIDS 0x00000002
#define SPDRP_CLASS 0x00000007
#define SPDRP_CLASSGUID 0x00000008

#define REG_SZ 1
#define REG_MULTI_SZ 7

#define DIF_REMOVE 0x00000005
#define DIF_REGISTERDEVICE 0x00000019
#define DICD_GENERATE_ID 0x00000001
#define INSTALLFLAG_FORCE 0x00000001

#define WM_SETTEXT 0x000C

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DATA 13L
#define ERROR_OPEN_FAILED 110L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_INVALID_CLASS 0xE0000206L
#define ERROR_NO_SUCH_DEVINST 0xE000020BL
#define ERROR_DEVINST_ALREADY_EXISTS 0xE0000207L
#define ERROR_INVALID_DEVINST_NAME 0xE0000205L
#define ERROR_IN_WOW64 0xE0000235L
#define ERROR_NO_DRIVER_SELECTED 0xE0000203L
#define ERROR_SECTION_NOT_FOUND 0xE0000101L
#define ERROR_WRONG_INF_STYLE 0xE0000100L

#endif

// The no-more-items code doubles as "the new driver is not better than the installed one".
#ifndef ERROR_NO_MORE_ITEMS
#define ERROR_NO_MORE_ITEMS 259L
#endif
// Codes of setupapi.h that the MinGW-w64 header lacks.
#ifndef ERROR_DEVICE_INSTALLER_NOT_READY
#define ERROR_DEVICE_INSTALLER_NOT_READY 0xE0000246L
#endif
#ifndef ERROR_DRIVER_STORE_ADD_FAILED
#define ERROR_DRIVER_STORE_ADD_FAILED 0xE0000247L
#endif

// The record's size is part of the boundary's contract and differs between 32-bit and 64-bit code;
// each build checks it holds the layout its system expects.
static_assert(sizeof(SP_DEVINFO_DATA) == (sizeof(void *) == 4 ? 28 : 32), "SP_DEVINFO_DATA layout");
