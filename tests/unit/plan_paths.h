#ifndef GULVOR_TESTS_PLAN_PATHS_H
#define GULVOR_TESTS_PLAN_PATHS_H

#include "cleanup/removal_plan.h"

#include <string>

// The full path below the root of the key that a row removes.
inline std::string KeyPath(const RemovalEntry& entry)
{
    return entry.parentPath == nullptr ? std::string(entry.subkeyName)
                                       : std::string(entry.parentPath) + "\\" + entry.subkeyName;
}

inline std::string Fixture(const char* name)
{
    return std::string(FIXTURE_DIR) + "/" + name;
}

#endif
