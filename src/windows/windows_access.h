#ifndef GULVOR_WINDOWS_WINDOWS_ACCESS_H
#define GULVOR_WINDOWS_WINDOWS_ACCESS_H

// The program's only calls into the registry and the user interface.
// Paths are relative to HKEY_CLASSES_ROOT; a null parentPath is the root.

// Removes one subkey as far as the registry allows. Reports nothing: a
// parent that is missing or may not be opened for full access is passed over.
void DeleteSubkey(const char* parentPath, const char* subkeyName);

// True unless the registry answers "not found" for the subkey or its
// parent. A refused open counts as present. Opens read-only, changes nothing.
bool SubkeyExists(const char* parentPath, const char* subkeyName);

enum class NoticeIcon
{
    None,
    Warning,
};

// Shows an ownerless modal box with one OK button and returns when dismissed.
void ShowNotice(const char* text, const char* caption, NoticeIcon icon);

#endif
