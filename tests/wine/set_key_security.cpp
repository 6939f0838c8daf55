// Sets a security descriptor on a key below HKEY_CLASSES_ROOT, so a scenario
// can refuse the program the access it asks for.
// Usage: set_key_security KEY-PATH SDDL
#include <windows.h>

#include <sddl.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fputs("usage: set_key_security KEY-PATH SDDL\n", stderr);
        return 2;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(argv[2], SDDL_REVISION_1, &descriptor, nullptr) == FALSE)
    {
        std::fprintf(stderr, "bad SDDL: %lu\n", GetLastError());
        return 1;
    }
    SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) != FALSE && owner != nullptr)
    {
        parts |= OWNER_SECURITY_INFORMATION;
    }
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, argv[1], 0, WRITE_DAC | WRITE_OWNER, &key);
    if (status == ERROR_SUCCESS)
    {
        status = RegSetKeySecurity(key, parts, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    if (status != ERROR_SUCCESS)
    {
        std::fprintf(stderr, "cannot secure %s: %ld\n", argv[1], status);
        return 1;
    }
    return 0;
}
