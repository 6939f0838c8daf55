#include "removal_plan.h"

#include "../windows/windows_access.h"

#include <algorithm>

// clang-format off
const std::array<RemovalEntry, RemovalPlanRows> RemovalPlan{{
    // parentPath                                                          subkeyName
    {"QUILB.ProcessCtrl.1",                                                "CLSID"},
    {nullptr,                                                              "QUILB.ProcessCtrl.1"},

    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}\\MiscStatus",          "1"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "Control"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "InprocServer32"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "MiscStatus"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "ProgID"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "ToolboxBitmap32"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "Typelib"},
    {"CLSID\\{4D081283-28CB-11CF-AB30-524153480000}",                      "Version"},
    {"CLSID",                                                              "{4D081283-28CB-11CF-AB30-524153480000}"},

    {"TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}\\1.0\\0",            "win32"},
    {"TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}\\1.0",               "0"},
    {"TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}\\1.0",               "FLAGS"},
    {"TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}\\1.0",               "HELPDIR"},
    {"TypeLib\\{4D081280-28CB-11CF-AB30-524153480000}",                    "1.0"},
    {"TypeLib",                                                            "{4D081280-28CB-11CF-AB30-524153480000}"},
}};
// clang-format on

const char* const NoticeCaption = "GULVOR";
const char* const NoticeCleanText = "The registry has been cleaned.";
const char* const NoticeIncompleteText = "The registry could not be cleaned completely.";

int RunRemovalPlan()
{
    // Outcomes are ignored: a key that is missing or refused must not stop the rest.
    for (const RemovalEntry& entry : RemovalPlan)
    {
        DeleteSubkey(entry.parentPath, entry.subkeyName);
    }

    // Ask the registry afterwards rather than trusting the deletions, so the
    // notice never claims a clean registry that is not.
    const bool remains = std::any_of(RemovalPlan.begin(), RemovalPlan.end(), [](const RemovalEntry& entry) {
        return SubkeyExists(entry.parentPath, entry.subkeyName);
    });

    if (remains)
    {
        ShowNotice(NoticeIncompleteText, NoticeCaption, NoticeIcon::Warning);
    }
    else
    {
        ShowNotice(NoticeCleanText, NoticeCaption, NoticeIcon::None);
    }
    // Installers and scripts rely on 0 whatever happened.
    return 0;
}
