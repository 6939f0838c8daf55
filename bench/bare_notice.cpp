// The baseline for the benchmark: the same notice and nothing else.
#include <windows.h>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/)
{
    MessageBoxA(nullptr, "The registry has been cleaned.", "GULVOR", MB_OK);
    return 0;
}
