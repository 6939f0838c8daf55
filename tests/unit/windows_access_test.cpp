#include "windows/windows_access.h"

#include "registry_standin.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace
{

using standin::Call;
using standin::Journal;
using standin::Lock;

class WindowsAccess : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        standin::Reset();
        standin::CreateKey("Parent\\Child");
    }
    void TearDown() override
    {
        EXPECT_TRUE(standin::OpenHandles().empty());
    }
};

TEST_F(WindowsAccess, MissingParentMakesOneFailedOpenAndNothingElse)
{
    DeleteSubkey("Absent\\Parent", "Child");

    ASSERT_EQ(Journal().size(), 1U);
    EXPECT_EQ(Journal()[0].call, Call::OpenKey);
    EXPECT_EQ(Journal()[0].status, ERROR_FILE_NOT_FOUND);
}

TEST_F(WindowsAccess, ParentRefusingFullAccessIsPassedOverLikeAMissingOne)
{
    standin::LockKey("Parent", Lock::FullAccess);

    DeleteSubkey("Parent", "Child");

    ASSERT_EQ(Journal().size(), 1U);
    EXPECT_EQ(Journal()[0].status, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(standin::KeyExists("Parent\\Child"));
}

TEST_F(WindowsAccess, MissingSubkeyMakesOneOpenOneFailedDeletionOneClose)
{
    DeleteSubkey("Parent", "Absent");

    ASSERT_EQ(Journal().size(), 3U);
    const auto& open = Journal()[0];
    EXPECT_EQ(open.call, Call::OpenKey);
    EXPECT_EQ(open.key, HKEY_CLASSES_ROOT);
    EXPECT_EQ(open.path, std::optional<std::string>("Parent"));
    EXPECT_EQ(open.access, KEY_ALL_ACCESS);
    EXPECT_EQ(open.status, ERROR_SUCCESS);
    EXPECT_EQ(Journal()[1].call, Call::DeleteKey);
    EXPECT_EQ(Journal()[1].key, open.opened);
    EXPECT_EQ(Journal()[1].status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Journal()[2].call, Call::CloseKey);
    EXPECT_EQ(Journal()[2].key, open.opened);
}

TEST_F(WindowsAccess, AbsentParentWorksOnANewHandleOnTheRootAndClosesOnlyThat)
{
    standin::CreateKey("QUILB.ProcessCtrl.1");

    DeleteSubkey(nullptr, "QUILB.ProcessCtrl.1");

    ASSERT_EQ(Journal().size(), 3U);
    const auto& open = Journal()[0];
    EXPECT_EQ(open.key, HKEY_CLASSES_ROOT);
    EXPECT_EQ(open.path, std::nullopt);
    EXPECT_NE(open.opened, HKEY_CLASSES_ROOT);
    EXPECT_EQ(Journal()[1].key, open.opened);
    EXPECT_EQ(Journal()[1].path, std::optional<std::string>("QUILB.ProcessCtrl.1"));
    EXPECT_EQ(Journal()[1].status, ERROR_SUCCESS);
    EXPECT_EQ(Journal()[2].call, Call::CloseKey);
    EXPECT_EQ(Journal()[2].key, open.opened);
    EXPECT_FALSE(standin::KeyExists("QUILB.ProcessCtrl.1"));
}

TEST_F(WindowsAccess, RefusedDeletionStillClosesTheParent)
{
    standin::CreateKey("Parent\\Child\\Unnamed");

    DeleteSubkey("Parent", "Child");

    ASSERT_EQ(Journal().size(), 3U);
    EXPECT_EQ(Journal()[1].status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Journal()[2].call, Call::CloseKey);
    EXPECT_TRUE(standin::KeyExists("Parent\\Child\\Unnamed"));
}

TEST_F(WindowsAccess, SubkeyExistsCountsOnlyNotFoundAsGone)
{
    struct Case
    {
        const char* name;
        const char* parentPath;
        const char* subkeyName;
        const char* lockedKey;
        Lock lock;
        bool exists;
    };
    const std::vector<Case> cases = {
        {"present", "Parent", "Child", nullptr, Lock::None, true},
        {"present in other case", "PARENT", "child", nullptr, Lock::None, true},
        {"under the root itself", nullptr, "Parent", nullptr, Lock::None, true},
        {"subkey missing", "Parent", "Absent", nullptr, Lock::None, false},
        {"parent missing", "Absent", "Child", nullptr, Lock::None, false},
        {"read-only key", "Parent", "Child", "Parent\\Child", Lock::FullAccess, true},
        {"unreadable key", "Parent", "Child", "Parent\\Child", Lock::AllAccess, true},
        {"unreadable parent", "Parent", "Child", "Parent", Lock::AllAccess, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.lockedKey != nullptr)
        {
            standin::LockKey(c.lockedKey, c.lock);
        }
        const auto keysBefore = standin::AllKeys();

        EXPECT_EQ(SubkeyExists(c.parentPath, c.subkeyName), c.exists);

        EXPECT_EQ(standin::AllKeys(), keysBefore);
        EXPECT_TRUE(standin::OpenHandles().empty());
        for (const auto& entry : Journal())
        {
            EXPECT_NE(entry.call, Call::DeleteKey);
            if (entry.call == Call::OpenKey)
            {
                EXPECT_EQ(entry.access & ~KEY_READ, 0U) << "write access asked for";
            }
            if (entry.call == Call::CloseKey)
            {
                EXPECT_NE(entry.key, HKEY_CLASSES_ROOT);
            }
        }
    }
}

TEST_F(WindowsAccess, NoticeIsOneOwnerlessOkBoxWithTheIconAsked)
{
    struct Case
    {
        NoticeIcon icon;
        UINT style;
    };
    const std::vector<Case> cases = {{NoticeIcon::None, MB_OK}, {NoticeIcon::Warning, MB_OK | MB_ICONWARNING}};
    for (const auto& c : cases)
    {
        SetUp();
        ShowNotice("Text.", "Caption", c.icon);

        ASSERT_EQ(Journal().size(), 1U);
        const auto& box = Journal()[0];
        EXPECT_EQ(box.call, Call::MessageBox);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.text, "Text.");
        EXPECT_EQ(box.caption, "Caption");
        EXPECT_EQ(box.style, c.style);
    }
}

} // namespace
