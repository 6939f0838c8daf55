#ifndef GULVOR_WINDOWS_WIN32_API_H
#define GULVOR_WINDOWS_WIN32_API_H

// The few Win32 names the program uses. On Windows they come from the SDK;
// on the host the unit tests link a stand-in that defines the four calls.

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else

#include <cstdint>

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using REGSAM = DWORD;
using LPCSTR = const char*;

struct HostRegistryKey;
using HKEY = HostRegistryKey*;
using PHKEY = HKEY*;
struct HostWindow;
using HWND = HostWindow*;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM WRITE_DAC = 0x00040000;
constexpr REGSAM WRITE_OWNER = 0x00080000;
constexpr REGSAM KEY_READ = READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr int IDOK = 1;

// The predefined root keeps the same value that Windows gives it.
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000U));

extern "C"
{
    LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
    LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
    LONG RegCloseKey(HKEY key);
    int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
}

#endif

#endif
