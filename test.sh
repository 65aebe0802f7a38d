#!/usr/bin/env bash
# Builds Quorvin and runs every test: the normal build with warnings as errors, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build, then the formatting check.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --test
jobs=$(nproc)

scripts/check-format.sh

cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "All tests passed."
