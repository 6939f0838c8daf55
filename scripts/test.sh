#!/usr/bin/env bash
# Runs every test: the host unit tests, then the checks on the Windows executable.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build

cmake --preset host >/dev/null
cmake --build --preset host -j 2
ctest --preset host

cmake --preset windows >/dev/null
cmake --build --preset windows -j 2
ctest --preset windows
