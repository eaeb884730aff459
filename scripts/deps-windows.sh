#!/usr/bin/env bash
# Installs the Debian packages that cross-building Skarvo for Windows needs, and only those missing.
# `scripts/deps-windows.sh test` adds what running the Windows build under Wine needs.
set -euo pipefail

packages=(
  cmake ninja-build make zip
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # The build-time generators (image generator, song compiler, packer) run on this machine.
  build-essential libpng-dev zlib1g-dev
  # GoogleTest's sources, for the cross-built tests.
  libgtest-dev libgmock-dev
)
if [ "${1:-}" = "test" ]; then
  packages+=(wine wine64 xvfb
    # The game's tests: key presses and window queries, Mesa's OpenGL (Direct3D 9 under
    # Wine draws through it), and a sound server and its tools for the recording test.
    xdotool x11-utils libgl1-mesa-dri libglx-mesa0 pulseaudio pulseaudio-utils
    # /usr/bin/time: the sound test measures the player's CPU with it (minbase has none).
    time)
fi

exec bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
