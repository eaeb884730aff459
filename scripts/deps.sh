#!/usr/bin/env bash
# Installs the Debian packages that building and testing Skarvo need, and only those missing.
#   deps.sh [EXTRA_PACKAGE...]   (extra ones for a single job, e.g. the package test)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libsdl2-dev
  clang libclang-rt-14-dev
  xvfb xdotool x11-utils desktop-file-utils appstream openbox pulseaudio pulseaudio-utils
  dpkg-dev file
  "$@"
)

exec bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
