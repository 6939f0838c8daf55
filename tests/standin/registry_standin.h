#ifndef GULVOR_TESTS_REGISTRY_STANDIN_H
#define GULVOR_TESTS_REGISTRY_STANDIN_H

// An in-memory HKEY_CLASSES_ROOT and message box that serve the program's
// four Win32 calls in the host tests, journaling every call.

#include "windows/win32_api.h"

#include <optional>
#include <string>
#include <vector>

namespace standin
{

enum class Call
{
    OpenKey,
    DeleteKey,
    CloseKey,
    MessageBox,
};

struct JournalEntry
{
    Call call;
    HKEY key;                        // handle passed in
    std::optional<std::string> path; // sub-path or subkey name; nullopt for a null pointer
    REGSAM access;                   // open only
    HKEY opened;                     // open only: the handle handed back
    std::string keyPath;             // open and delete: full path of the key reached, as stored
    LONG status;                     // registry calls; MessageBoxA's result for the box
    HWND owner;                      // box only
    std::string text;                // box only
    std::string caption;             // box only
    UINT style;                      // box only
};

enum class Lock
{
    None,
    FullAccess, // opens asking for more than KEY_READ are refused, and so is deletion
    AllAccess,  // every open and deletion is refused
};

enum class DeleteMode
{
    LeafOnly,  // the NT family: a key with subkeys is refused
    WholeTree, // Windows 95: the key goes with everything below it
};

// Empties the registry to a bare root, forgets handles and the journal.
void Reset();
void SetDeleteMode(DeleteMode mode);

// Creates the key and any missing ancestors; names keep the case given.
void CreateKey(const std::string& path);
void SetValue(const std::string& path, const std::string& name, const std::string& data);
void LockKey(const std::string& path, Lock lock);
// Takes the key away with everything below it, journaling nothing.
void RemoveKey(const std::string& path);
// Reads a REGEDIT4 file: [HKEY_CLASSES_ROOT\...] sections and "name"=data or @=data lines.
void LoadRegFile(const std::string& fileName);

bool KeyExists(const std::string& path);
std::vector<std::string> ValueNames(const std::string& path);
// Every key below the root, each as its full path in stored case, sorted.
std::vector<std::string> AllKeys();

const std::vector<JournalEntry>& Journal();
void ClearJournal();
std::vector<HKEY> OpenHandles();

} // namespace standin

#endif
