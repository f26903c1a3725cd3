#!/usr/bin/env bash
# Installs every Debian 12 package Quorlith Engine needs to build, run and test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# The web build compiles libpng and zlib from Debian's own sources (apt-get source).
if ! grep -Eqs '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' \
        'Suites: bookworm bookworm-updates' 'Components: main' \
        'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
        $SUDO tee /etc/apt/sources.list.d/quorlith-deb-src.sources >/dev/null
fi
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake ninja-build pkg-config git ca-certificates \
    libsdl2-dev libsdl2-ttf-dev libfreetype-dev fonts-liberation2 \
    libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0 \
    libmpg123-dev libfftw3-dev libpng-dev zlib1g-dev libmp3lame-dev \
    googletest libgtest-dev libbenchmark-dev libtinyobjloader-dev \
    clang libclang-rt-14-dev \
    xvfb xauth xdotool x11-utils x11-apps \
    ffmpeg help2man desktop-file-utils dpkg-dev file gzip lintian appstream \
    emscripten nodejs chromium python3
