#!/usr/bin/env bash
# clang-format and clang-tidy over the project's C++ sources.
# Usage: scripts/lint.sh format|tidy HOST_BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests -name '*.cpp' -o -name '*.h')
case "${1:-}" in
format)
    clang-format --dry-run --Werror "${sources[@]}"
    ;;
tidy)
    build=${2:?host build folder with compile_commands.json}
    # Files built only for Windows are checked against mingw's headers instead.
    windows_only='^(src/main\.cpp|tests/wine/.*|bench/.*)$'
    mapfile -t host < <(printf '%s\n' "${sources[@]}" | grep -E '\.cpp$' | grep -Ev "$windows_only")
    mapfile -t windows < <(printf '%s\n' "${sources[@]}" | grep -E '\.cpp$' | grep -E "$windows_only")
    printf '%s\n' "${host[@]}" | xargs -P 2 -n 1 clang-tidy --quiet -p "$build"
    cxx=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-win32/include/c++ | head -n 1)
    clang-tidy --quiet "${windows[@]}" -- --target=i686-w64-mingw32 -std=c++17 -Isrc \
        -isystem "$cxx" -isystem "$cxx/i686-w64-mingw32"
    ;;
*)
    echo "usage: $0 format|tidy HOST_BUILD_DIR" >&2
    exit 2
    ;;
esac
