#!/usr/bin/env bash
# Installs the Debian packages that building Skarvo for the web needs, and only those missing.
# `scripts/deps-web.sh test` adds what testing the page in headless Chromium needs.
set -euo pipefail

packages=(
  cmake ninja-build make
  # WebAssembly: Debian's emscripten (clang, lld, binaryen and node come with it).
  emscripten
  # The build-time generators run on this machine; dpkg-source unpacks the libpng and
  # zlib sources that scripts/web-libs.sh builds for WebAssembly.
  build-essential libpng-dev zlib1g-dev dpkg-dev
)
if [ "${1:-}" = "test" ]; then
  packages+=(chromium pulseaudio pulseaudio-utils)
  # Debian's node and npm, unless a node with its own npm is already there (the
  # nodejs package of other sources includes npm and conflicts with Debian's).
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

exec bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
