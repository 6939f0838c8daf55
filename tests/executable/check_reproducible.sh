#!/usr/bin/env bash
# Builds the executable twice, in two fresh folders, and compares the bytes.
# Usage: check_reproducible.sh SOURCE-DIR
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 0)}
for build in first second; do
    cmake -S "$source" -B "$work/$build" --toolchain "$source/cmake/toolchain-mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$work/$build" --target gulvor-cleanup -j 2 >/dev/null
done
if cmp "$work/first/gulvor-cleanup.exe" "$work/second/gulvor-cleanup.exe"; then
    echo "identical: $(sha256sum <"$work/first/gulvor-cleanup.exe" | cut -d' ' -f1)"
else
    echo "FAIL: two builds of the same sources differ" >&2
    exit 1
fi
