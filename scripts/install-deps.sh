#!/bin/sh
# Installs every Debian 12 package Tabvane needs to build, run and test.
# Idempotent: packages already present are left as they are. clang-14 and its
# libclang-rt-14-dev build the fuzz targets (scripts/fuzz.sh); the normal build uses gcc.
set -eu

PACKAGES="build-essential cmake ninja-build ccache pkg-config \
qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools \
libqt6opengl6-dev libgl-dev \
libsqlite3-dev xvfb xauth xdotool \
qt6-qpa-plugins libqt6svg6 fonts-dejavu-core adwaita-icon-theme hicolor-icon-theme \
xdg-utils desktop-file-utils openssl \
dpkg-dev appstream clang-14 libclang-rt-14-dev"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# shellcheck disable=SC2086
$SUDO apt-get install -y --no-install-recommends $missing
