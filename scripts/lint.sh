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
    mapfile -t host < <(printf '%s\n' "${sources[@]}" | grep -E '\.cpp$' | grep -v '^src/main\.cpp$')
    printf '%s\n' "${host[@]}" | xargs -P 2 -n 1 clang-tidy --quiet -p "$build"
    # The entry point only builds for Windows: check it against mingw's headers.
    cxx=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-win32/include/c++ | head -n 1)
    clang-tidy --quiet src/main.cpp -- --target=i686-w64-mingw32 -std=c++17 -Isrc \
        -isystem "$cxx" -isystem "$cxx/i686-w64-mingw32"
    ;;
*)
    echo "usage: $0 format|tidy HOST_BUILD_DIR" >&2
    exit 2
    ;;
esac
