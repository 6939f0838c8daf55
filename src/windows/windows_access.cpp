#include "windows_access.h"

#include "win32_api.h"

void DeleteSubkey(const char* parentPath, const char* subkeyName)
{
    HKEY parent = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, parentPath, 0, KEY_ALL_ACCESS, &parent);
    if (status != ERROR_SUCCESS)
    {
        return;
    }
    // NT refuses a key that still has subkeys; that key simply stays.
    RegDeleteKeyA(parent, subkeyName);
    RegCloseKey(parent);
}

bool SubkeyExists(const char* parentPath, const char* subkeyName)
{
    HKEY parent = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, parentPath, 0, KEY_QUERY_VALUE, &parent);
    if (status != ERROR_SUCCESS)
    {
        return status != ERROR_FILE_NOT_FOUND;
    }
    HKEY key = nullptr;
    status = RegOpenKeyExA(parent, subkeyName, 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS)
    {
        RegCloseKey(key);
    }
    RegCloseKey(parent);
    // Only "not found" proves a key gone; any other refusal may hide one.
    return status != ERROR_FILE_NOT_FOUND;
}

void ShowNotice(const char* text, const char* caption, NoticeIcon icon)
{
    const UINT style = icon == NoticeIcon::Warning ? MB_OK | MB_ICONWARNING : MB_OK;
    MessageBoxA(nullptr, text, caption, style);
}
