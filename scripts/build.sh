#!/usr/bin/env bash
# Builds build/windows/gulvor-cleanup.exe, installing the toolchain if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2
echo "built: $PWD/build/windows/gulvor-cleanup.exe"
