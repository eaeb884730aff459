#!/usr/bin/env bash
# Installs the Debian packages that building and testing Skarvo need, and only those missing.
#   deps.sh [EXTRA_PACKAGE...]   (extra ones for a single job, e.g. the package test)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libsdl2-dev
  clang libclang-rt-14-dev
  xvfb xdotool x11-utils desktop-file-utils appstream openbox
  dpkg-dev file
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}" >&2
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
