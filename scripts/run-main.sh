#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the native target and runs the main job: the eight-band demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native
cmake --build --preset native --target marvo-demo
build/native/bin/marvo-demo
