#!/usr/bin/env bash
# Installs the Debian packages that cross-building Skarvo for Windows needs, and only those missing.
# `scripts/deps-windows.sh test` adds what running the Windows build under Wine needs.
set -euo pipefail

packages=(
  cmake ninja-build make zip
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # The build-time generators (image generator, song compiler, packer) run on this machine.
  build-essential libpng-dev zlib1g-dev
  # Headers only: SDL's scancode values, and GoogleTest's sources for the cross-built tests.
  libsdl2-dev libgtest-dev libgmock-dev
)
if [ "${1:-}" = "test" ]; then
  packages+=(wine wine64 xvfb)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps-windows: installing ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# A package the package lists do not know yet needs an update first.
for p in "${missing[@]}"; do
  if ! apt-cache show "$p" >/dev/null 2>&1; then
    $sudo apt-get update -qq
    break
  fi
done
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
