#!/usr/bin/env bash
# Makes dist/gulvor-cleanup-<version>-win32.zip with the executable, the
# user's readme and a SHA-256 checksum file beside it.
# Usage: scripts/release.sh [OUTPUT-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-dist}")
scripts/setup.sh build
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2 >/dev/null
version=$(sed -n 's/^#define GULVOR_VERSION_TEXT "\(.*\)"$/\1/p' build/windows/version.h)
name=gulvor-cleanup-$version-win32

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
cp build/windows/gulvor-cleanup.exe packaging/README.txt "$stage/$name/"
touch -d "@$SOURCE_DATE_EPOCH" "$stage/$name" "$stage/$name"/*
mkdir -p "$out"
(cd "$stage" && cmake -E tar cf "$out/$name.zip" --format=zip --mtime="$(date -u -d "@$SOURCE_DATE_EPOCH" "+%Y-%m-%d %H:%M:%S UTC")" "$name/README.txt" "$name/gulvor-cleanup.exe")
(cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
echo "$out/$name.zip"
cat "$out/$name.zip.sha256"
