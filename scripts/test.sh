#!/usr/bin/env bash
# Runs every test: the host unit tests and lint, the checks on the Windows
# executable, and the Wine end-to-end scenarios.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build wine wine-vm

cmake --preset host >/dev/null
cmake --build --preset host -j 2
ctest --preset host

# The 32-bit executable: header checks, and the Wine scenarios (in the Wine
# test machine where this kernel runs no 32-bit code).
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2
ctest --preset windows

# The same sources built for x64 run the same scenarios natively under wine64.
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 -j 2
ctest --preset windows64
