#!/usr/bin/env bash
# Installs the named Debian packages that are not installed yet, and only those:
#   install-missing.sh PACKAGE...
# with sudo when not root, and an apt-get update first only when a name is unknown.
set -euo pipefail

missing=()
for p in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
for p in "${missing[@]}"; do
  if ! apt-cache show "$p" >/dev/null 2>&1; then
    $sudo apt-get update -qq
    break
  fi
done
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
