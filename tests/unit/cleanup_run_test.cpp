#include "cleanup/removal_plan.h"

#include "plan_paths.h"
#include "registry_standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace
{

using standin::Call;
using standin::Journal;
using standin::Lock;

const std::string ClassKey = "CLSID\\{4D081283-28CB-11CF-AB30-524153480000}";
const std::string TypeLibKey = "TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}";

std::vector<std::string> NeighbourKeys()
{
    standin::Reset();
    standin::LoadRegFile(Fixture("neighbours.reg"));
    return standin::AllKeys();
}

// Keys that are not neighbours: what is left of the control's registration.
std::vector<std::string> RemainingKeys(const std::vector<std::string>& neighbours)
{
    std::vector<std::string> remaining;
    for (const std::string& key : standin::AllKeys())
    {
        if (std::find(neighbours.begin(), neighbours.end(), key) == neighbours.end())
        {
            remaining.push_back(key);
        }
    }
    return remaining;
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void LoadRegistration(const char* fixture = "registration.reg")
{
    standin::Reset();
    standin::LoadRegFile(Fixture("neighbours.reg"));
    standin::LoadRegFile(Fixture(fixture));
}

TEST(CleanupRun, CompleteRegistrationGoesInRowOrderAndNothingElseIsTouched)
{
    const auto neighbours = NeighbourKeys();
    LoadRegistration();
    ASSERT_EQ(RemainingKeys(neighbours).size(), RemovalPlan.size());
    EXPECT_EQ(standin::ValueNames(ClassKey + "\\InprocServer32"), (std::vector<std::string>{"", "ThreadingModel"}));

    EXPECT_EQ(RunRemovalPlan(), 0);

    EXPECT_TRUE(RemainingKeys(neighbours).empty());
    EXPECT_EQ(standin::AllKeys(), neighbours);

    const auto& journal = Journal();
    std::vector<std::string> deleted;
    std::size_t lastDeletion = 0;
    for (std::size_t i = 0; i < journal.size(); ++i)
    {
        if (journal[i].call == Call::DeleteKey)
        {
            EXPECT_EQ(journal[i].status, ERROR_SUCCESS) << journal[i].keyPath;
            deleted.push_back(journal[i].keyPath);
            lastDeletion = i;
        }
    }
    ASSERT_EQ(deleted.size(), RemovalPlan.size());
    for (std::size_t row = 0; row < RemovalPlan.size(); ++row)
    {
        EXPECT_TRUE(SameText(deleted[row], KeyPath(RemovalPlan[row]))) << "row " << row + 1 << ": " << deleted[row];
    }

    for (std::size_t i = 0; i < journal.size(); ++i)
    {
        const auto& entry = journal[i];
        if (entry.call == Call::OpenKey && i < lastDeletion)
        {
            EXPECT_EQ(entry.access, KEY_ALL_ACCESS) << "deletion open of " << entry.keyPath;
        }
        if (entry.call == Call::OpenKey && i > lastDeletion)
        {
            EXPECT_EQ(entry.access & ~KEY_READ, 0U) << "check open of " << entry.keyPath;
        }
        if (entry.call == Call::CloseKey)
        {
            EXPECT_NE(entry.key, HKEY_CLASSES_ROOT);
            EXPECT_EQ(entry.status, ERROR_SUCCESS);
        }
    }
    EXPECT_TRUE(standin::OpenHandles().empty());

    ASSERT_EQ(journal.back().call, Call::MessageBox);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(), [](const auto& e) { return e.call == Call::MessageBox; }),
              1);
    EXPECT_EQ(journal.back().owner, nullptr);
    EXPECT_EQ(journal.back().text, "The registry has been cleaned.");
    EXPECT_EQ(journal.back().caption, "GULVOR");
    EXPECT_EQ(journal.back().style, MB_OK);
}

struct RegistryState
{
    const char* name;
    void (*prepare)();
    standin::DeleteMode mode;
    std::size_t deletions;            // successful deletions of this run
    std::vector<std::string> remains; // keys left that are no neighbours, as stored
    bool clean;
};

void LockWholeRegistration(Lock lock)
{
    for (const RemovalEntry& entry : RemovalPlan)
    {
        standin::LockKey(KeyPath(entry), lock);
    }
}

const std::string Win64Key = TypeLibKey + "\\1.0\\0\\win64";

void NothingRegistered()
{
    standin::LoadRegFile(Fixture("neighbours.reg"));
}
void Complete()
{
    LoadRegistration();
}
void TypeLibMissing()
{
    LoadRegistration();
    standin::RemoveKey(TypeLibKey);
}
void ProgIdMissing()
{
    LoadRegistration();
    standin::RemoveKey("QUILB.ProcessCtrl.1");
}
void ClassKeyReadOnly()
{
    LoadRegistration();
    standin::LockKey(ClassKey, Lock::FullAccess);
}
void HelpDirUnreadable()
{
    LoadRegistration();
    standin::LockKey(TypeLibKey + "\\1.0\\HELPDIR", Lock::AllAccess);
}
void AllReadOnly()
{
    LoadRegistration();
    LockWholeRegistration(Lock::FullAccess);
}
void UnnamedSubkey()
{
    LoadRegistration();
    standin::CreateKey(Win64Key);
}
void OtherCase()
{
    LoadRegistration("other_case.reg");
}
void AlreadyRun()
{
    LoadRegistration();
    RunRemovalPlan();
}

TEST(CleanupRun, EachRegistryStateEndsWithTheKeysAndNoticeItShould)
{
    const auto neighbours = NeighbourKeys();
    LoadRegistration();
    const auto wholeRegistration = RemainingKeys(neighbours);
    const std::string& c = ClassKey;
    const std::string& t = TypeLibKey;
    const auto leaf = standin::DeleteMode::LeafOnly;
    const auto tree = standin::DeleteMode::WholeTree;

    // clang-format off
    const std::vector<RegistryState> states = {
        // name                                 prepare            mode  deleted  remains                                            clean
        {"nothing registered",                  NothingRegistered, leaf, 0,  {},                                                      true},
        {"type library keys missing",           TypeLibMissing,    leaf, 11, {},                                                      true},
        {"ProgID keys missing",                 ProgIdMissing,     leaf, 15, {},                                                      true},
        {"class key locked against full access", ClassKeyReadOnly, leaf, 9,  {c, c + "\\Control", c + "\\InprocServer32", c + "\\MiscStatus",
                                                                              c + "\\ProgID", c + "\\ToolboxBitmap32", c + "\\Typelib",
                                                                              c + "\\Version"},                                        false},
        {"help directory locked against all access", HelpDirUnreadable, leaf, 14, {t, t + "\\1.0", t + "\\1.0\\HELPDIR"},           false},
        {"no write access to any of it",        AllReadOnly,       leaf, 0,  wholeRegistration,                                       false},
        {"a subkey no row names, NT",           UnnamedSubkey,     leaf, 14, {t, t + "\\1.0", t + "\\1.0\\0", Win64Key},               false},
        {"a subkey no row names, Windows 95",   UnnamedSubkey,     tree, 17, {},                                                      true},
        {"names stored in other case",          OtherCase,         leaf, 17, {},                                                      true},
        {"complete, Windows 95",                Complete,          tree, 17, {},                                                      true},
        {"second run after a complete one",     AlreadyRun,        leaf, 0,  {},                                                      true},
    };
    // clang-format on

    for (const RegistryState& state : states)
    {
        SCOPED_TRACE(state.name);
        standin::Reset();
        state.prepare();
        standin::SetDeleteMode(state.mode);
        standin::ClearJournal();
        std::vector<std::string> remains = state.remains;
        std::sort(remains.begin(), remains.end());

        EXPECT_EQ(RunRemovalPlan(), 0);

        EXPECT_EQ(RemainingKeys(neighbours), remains);
        for (const std::string& key : neighbours)
        {
            EXPECT_TRUE(standin::KeyExists(key)) << key;
        }
        const auto& journal = Journal();
        EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                                [](const auto& e) { return e.call == Call::DeleteKey && e.status == ERROR_SUCCESS; }),
                  static_cast<std::ptrdiff_t>(state.deletions));
        EXPECT_TRUE(standin::OpenHandles().empty());
        ASSERT_FALSE(journal.empty());
        const auto& box = journal.back();
        ASSERT_EQ(box.call, Call::MessageBox);
        EXPECT_EQ(box.caption, "GULVOR");
        EXPECT_EQ(box.text,
                  state.clean ? "The registry has been cleaned." : "The registry could not be cleaned completely.");
        EXPECT_EQ(box.style, state.clean ? MB_OK : MB_OK | MB_ICONWARNING);
    }
}

} // namespace
