// Waits for a message box of another process and prints what the user sees:
// its caption, its text, whether it shows an icon, and its buttons.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace
{

BOOL CALLBACK TakeNotice(HWND window, LPARAM result)
{
    char className[64] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() && IsWindowVisible(window) != FALSE &&
        GetClassNameA(window, className, sizeof className) > 0 && std::strcmp(className, "#32770") == 0)
    {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintButton(HWND child, LPARAM /*unused*/)
{
    char className[64] = {};
    char label[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Button") == 0 && IsWindowVisible(child) != FALSE)
    {
        GetWindowTextA(child, label, sizeof label);
        std::printf("[%s]", label);
    }
    return TRUE;
}

HWND FindNotice()
{
    HWND found = nullptr;
    EnumWindows(TakeNotice, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    const int waitMs = argc > 1 ? std::atoi(argv[1]) : 30000;
    HWND notice = nullptr;
    for (int waited = 0; notice == nullptr && waited < waitMs; waited += 100)
    {
        notice = FindNotice();
        if (notice == nullptr)
        {
            Sleep(100);
        }
    }
    if (notice == nullptr)
    {
        std::puts("no notice");
        return 1;
    }
    char text[512] = {};
    GetWindowTextA(notice, text, sizeof text);
    std::printf("caption=%s\n", text);
    text[0] = '\0';
    GetDlgItemTextA(notice, 0xFFFF, text, sizeof text);
    std::printf("text=%s\n", text);
    // The icon's static control is there with or without an icon; ask it for one.
    bool hasIcon = false;
    for (const int id : {0x0440, 0x0014})
    {
        hasIcon = hasIcon || SendDlgItemMessageA(notice, id, STM_GETICON, 0, 0) != 0;
    }
    std::printf("icon=%s\n", hasIcon ? "yes" : "no");
    std::printf("buttons=");
    EnumChildWindows(notice, PrintButton, 0);
    std::printf("\n");
    return 0;
}
