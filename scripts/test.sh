#!/bin/sh
# Installs what is missing, builds, and runs every test through CTest.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
cd "$BUILD_DIR"
ctest --output-on-failure --parallel 2 "$@"
