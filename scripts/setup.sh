#!/usr/bin/env bash
# Installs what the build and the tests need, only where it is missing.
# Usage: scripts/setup.sh [build|wine|wine-vm]...
#   build: toolchain and GoogleTest; wine: Wine, Xvfb and tools;
#   wine-vm: where this kernel runs no 32-bit code, the Wine test machine (tests/wine/vm)
set -euo pipefail

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
need() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed' || missing+=("$1")
}

updated= wine_vm=
apt_install() {
    [ $# -gt 0 ] || return 0
    echo "setup: installing $*" >&2
    if [ -z "$updated" ]; then as_root apt-get update -qq; updated=1; fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

for part in "${@:-build}"; do
    case "$part" in
    build)
        need cmake
        need g++
        need make
        need g++-mingw-w64-i686-win32
        need g++-mingw-w64-x86-64-win32
        need binutils-mingw-w64-i686
        need binutils-mingw-w64-x86-64
        need libgtest-dev
        need clang-format
        need clang-tidy
        ;;
    wine)
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            as_root dpkg --add-architecture i386
            updated=
        fi
        need wine
        need wine32:i386
        need wine64
        need xvfb
        need xdotool
        need imagemagick
        ;;
    wine-vm) wine_vm=1 ;;
    *) echo "setup: unknown part '$part'" >&2; exit 2 ;;
    esac
done
apt_install "${missing[@]}"

# A kernel without 32-bit support cannot run wine32 itself; the 32-bit
# scenarios then run in a small Debian guest under QEMU, built here once.
if [ -n "$wine_vm" ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    [ -x /usr/lib/wine/wine ] || { echo "setup: wine-vm comes after wine" >&2; exit 2; }
    missing=()
    need qemu-system-x86
    need debootstrap
    need e2fsprogs
    apt_install "${missing[@]}"
    as_root "$(dirname "$0")/../tests/wine/vm/vm.sh" build
fi
