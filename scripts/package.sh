#!/bin/sh
# Builds the Debian package tabvane_<version>_<arch>.deb into ./build (or $BUILD_DIR):
# configures and builds when needed, then runs CPack. The package's dependencies come from
# dpkg-shlibdeps. Install it with: apt install ./build/tabvane_*.deb
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
./scripts/install-deps.sh
BUILD_DIR="$BUILD_DIR" ./scripts/build.sh
# The AppStream file is checked when the checker is there (package appstream).
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$BUILD_DIR"/share/*.metainfo.xml
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate data/tabvane.desktop
fi
cd "$BUILD_DIR"
cpack -G DEB
ls -1 "$PWD"/tabvane_*.deb
