#!/usr/bin/env bash
# Checks the built executable as Windows will load it: a 32-bit GUI program
# that imports only DLLs every Windows ships.
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
headers=$("$objdump" -p "$exe")
fail=0
check() { # check DESCRIPTION PATTERN
    if ! grep -Eq "$2" <<<"$headers"; then echo "FAIL: $1" >&2; fail=1; fi
}
check "PE32 for i386" 'file format pei-i386'
check "Windows GUI subsystem" '^Subsystem[[:space:]]+00000002'
dlls=$(grep -E '^[[:space:]]*DLL Name:' <<<"$headers" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
echo "imports: $dlls"
if [ "$dlls" != "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ]; then
    echo "FAIL: imports other than ADVAPI32, KERNEL32, msvcrt and USER32" >&2
    fail=1
fi
exit $fail
