#!/bin/sh
# Installs what is missing, builds, and starts the browser with the given arguments.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run: no display found; starting under xvfb-run" >&2
    exec xvfb-run -a "$BUILD_DIR/tabvane" "$@"
fi
exec "$BUILD_DIR/tabvane" "$@"
