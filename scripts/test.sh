#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, the file and engine
# tests under AddressSanitizer+UBSan, and the threaded tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# Sanitizer runs cover the tests labelled for them (hostile input, threads).
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs" -L asan

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs" -L tsan
