#include "cleanup/removal_plan.h"
#include "windows/win32_api.h"

// A GUI-subsystem program: no console, no window of its own, no arguments read.
int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/)
{
    return RunRemovalPlan();
}
