#!/usr/bin/env bash
# Checks the built executable as Windows and an administrator will see it.
# Usage: check_executable.sh EXE SIZE-BUDGET-BYTES
set -euo pipefail
exe=$1 budget=$2
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
headers=$("$objdump" -p "$exe")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
has() { grep -Eq "$2" <<<"$1"; }

# Runs everywhere from Windows 95 and NT 4.0 on: PE32, GUI, subsystem 4.0.
has "$headers" 'file format pei-i386' || fail "not a PE32 (i386) image"
has "$headers" '^Subsystem[[:space:]]+00000002' || fail "not the Windows GUI subsystem"
has "$headers" '^MajorSubsystemVersion[[:space:]]+4$' && has "$headers" '^MinorSubsystemVersion[[:space:]]+0$' ||
    fail "subsystem version is not 4.0"

dlls=$(grep -E '^[[:space:]]*DLL Name:' <<<"$headers" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
echo "imports: $dlls"
[ "$dlls" = "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ] ||
    fail "imports other than ADVAPI32, KERNEL32, msvcrt and USER32"
# Only ANSI entry points, which Windows 95 has as well.
functions=$(awk '/DLL Name:/ {dll=toupper($3)} dll != "MSVCRT.DLL" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/ {print $3}' <<<"$headers")
wide=$(grep -E 'W$' <<<"$functions" || true)
[ -z "$wide" ] || fail "wide-character imports: $(tr '\n' ' ' <<<"$wide")"

size=$(stat -c %s "$exe")
echo "size: $size bytes (budget $budget)"
[ "$size" -le "$budget" ] || fail "larger than the $budget byte budget"

# Version resource: its strings are UTF-16 in the image.
version=$(strings -el "$exe")
for expected in ProductName GULVOR FileDescription FileVersion ProductVersion OriginalFilename gulvor-cleanup.exe \
    "${VERSION:-}"; do
    [ -z "$expected" ] || grep -qxF "$expected" <<<"$version" || fail "version resource lacks \"$expected\""
done
# Windows asks for elevation on its own for programs whose names look like installers.
if grep -Eiq 'install|setup|update' <<<"$version"; then
    fail "version resource mentions install, setup or update: $(grep -Ei 'install|setup|update' <<<"$version")"
fi

manifest=$(strings -a "$exe")
has "$manifest" 'requestedExecutionLevel level="asInvoker"' || fail "manifest does not ask to run as invoker"
has "$manifest" 'Microsoft.Windows.Common-Controls" version="6.0.0.0"' || fail "manifest lacks Common Controls 6"
has "$manifest" '<dpiAware' || fail "manifest does not declare DPI awareness"

[ "$failures" -eq 0 ] && echo "executable checks passed"
exit $((failures > 0))
