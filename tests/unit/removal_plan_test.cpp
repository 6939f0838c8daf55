#include "cleanup/removal_plan.h"

#include "plan_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace
{

const std::string ProgIdKey = "QUILB.ProcessCtrl.1";
const std::string ClassKey = "CLSID\\{4D081283-28CB-11CF-AB30-524153480000}";
const std::string TypeLibKey = "TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}";

std::size_t Depth(const std::string& path)
{
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) + 1;
}

bool IsBelow(const std::string& path, const std::string& ancestor)
{
    return path.size() > ancestor.size() && path.compare(0, ancestor.size(), ancestor) == 0 &&
           path[ancestor.size()] == '\\';
}

std::string TopComponent(const std::string& path)
{
    return path.substr(0, path.find('\\'));
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(RemovalPlan, GroupsComeInOrderEachEndingWithItsTopKey)
{
    struct Group
    {
        std::size_t first;
        std::size_t last;
        const std::string& top;
    };
    const std::array<Group, 3> groups{{{0, 1, ProgIdKey}, {2, 10, ClassKey}, {11, 16, TypeLibKey}}};
    for (const Group& group : groups)
    {
        SCOPED_TRACE(group.top);
        for (std::size_t row = group.first; row < group.last; ++row)
        {
            EXPECT_TRUE(IsBelow(KeyPath(RemovalPlan[row]), group.top)) << "row " << row + 1;
        }
        EXPECT_EQ(KeyPath(RemovalPlan[group.last]), group.top);
    }
}

TEST(RemovalPlan, DeeperKeysGoFirstAndNoKeyBeforeOneBelowIt)
{
    for (std::size_t row = 1; row < RemovalPlan.size(); ++row)
    {
        const std::string previous = KeyPath(RemovalPlan[row - 1]);
        const std::string current = KeyPath(RemovalPlan[row]);
        if (TopComponent(previous) == TopComponent(current))
        {
            EXPECT_GE(Depth(previous), Depth(current)) << "row " << row + 1;
        }
        for (std::size_t later = row; later < RemovalPlan.size(); ++later)
        {
            EXPECT_FALSE(IsBelow(KeyPath(RemovalPlan[later]), previous))
                << "row " << later + 1 << " lies below row " << row;
        }
    }
}

TEST(RemovalPlan, SiblingsFollowCaseBlindAlphabeticalOrder)
{
    for (std::size_t row = 1; row < RemovalPlan.size(); ++row)
    {
        const RemovalEntry& previous = RemovalPlan[row - 1];
        const RemovalEntry& current = RemovalPlan[row];
        if (previous.parentPath != nullptr && current.parentPath != nullptr &&
            std::string(previous.parentPath) == current.parentPath)
        {
            EXPECT_LT(Lower(previous.subkeyName), Lower(current.subkeyName)) << "row " << row + 1;
        }
    }
}

TEST(RemovalPlan, OnlyTheProgIdKeyIsDeletedFromTheRootItself)
{
    for (std::size_t row = 0; row < RemovalPlan.size(); ++row)
    {
        EXPECT_EQ(RemovalPlan[row].parentPath == nullptr, row == 1) << "row " << row + 1;
    }
}

TEST(RemovalPlan, TextsAreWellFormedPaths)
{
    for (std::size_t row = 0; row < RemovalPlan.size(); ++row)
    {
        SCOPED_TRACE("row " + std::to_string(row + 1));
        const RemovalEntry& entry = RemovalPlan[row];
        ASSERT_NE(entry.subkeyName, nullptr);
        const std::string name = entry.subkeyName;
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find('\\'), std::string::npos);
        if (entry.parentPath != nullptr)
        {
            const std::string parent = entry.parentPath;
            EXPECT_FALSE(parent.empty());
            EXPECT_NE(parent.front(), '\\');
            EXPECT_NE(parent.back(), '\\');
            EXPECT_EQ(parent.find("\\\\"), std::string::npos);
        }
        const std::string path = KeyPath(entry);
        EXPECT_TRUE(std::all_of(path.begin(), path.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    }
}

} // namespace
