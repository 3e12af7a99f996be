#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds both targets and runs every test: native, native under
# AddressSanitizer + UndefinedBehaviorSanitizer, the threading tests under ThreadSanitizer, then win32 under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

cmake --preset tsan
cmake --build --preset tsan --target test_equaliser test_adapter
ctest --test-dir build/tsan/tests/equaliser --output-on-failure -R SmallEQThreads
ctest --test-dir build/tsan/tests/adapter --output-on-failure -R AdapterThreads

cmake --preset win32
cmake --build --preset win32
scripts/wine-session ctest --preset win32
