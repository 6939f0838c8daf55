#ifndef GULVOR_CLEANUP_REMOVAL_PLAN_H
#define GULVOR_CLEANUP_REMOVAL_PLAN_H

#include <array>
#include <cstddef>

// One key to remove: the subkey `subkeyName` of the key at `parentPath`
// below HKEY_CLASSES_ROOT. A null `parentPath` stands for the root itself.
struct RemovalEntry
{
    const char* parentPath;
    const char* subkeyName;
};

constexpr std::size_t RemovalPlanRows = 17;

// The control's whole registration, children before their parents.
extern const std::array<RemovalEntry, RemovalPlanRows> RemovalPlan;

extern const char* const NoticeCaption;
extern const char* const NoticeCleanText;
extern const char* const NoticeIncompleteText;

// Deletes every row of RemovalPlan in order, then tells the user whether
// the registration is gone and waits for OK. Always returns 0.
int RunRemovalPlan();

#endif
