#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree a desktop expects:
# the programs, the desktop entry (validated), the two icons at their sizes, the man pages.
#   install_check.sh BUILD_DIR PROGRAM...
set -euo pipefail
build=$1
shift
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "$1" >&2; exit 1; }

for program in "$@"; do
  [ -s "$prefix/bin/$program" ] && [ -x "$prefix/bin/$program" ] || fail "missing or not executable: bin/$program"
done
[ -s "$prefix/share/applications/skarvo.desktop" ] || fail "missing: share/applications/skarvo.desktop"
desktop-file-validate "$prefix/share/applications/skarvo.desktop"
for size in 256 48; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/skarvo.png
  [ -s "$icon" ] || fail "missing: $icon"
  # The PNG header's width and height (big-endian words at bytes 16 and 20).
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$icon is $dims"
done
for page in man6/skarvo.6 man1/mxm.1 man1/skarvo-sim.1; do
  head -n1 "$prefix/share/man/$page" 2>/dev/null | grep -q '^\.TH ' || fail "share/man/$page is missing or no man page"
done
echo "install tree complete under a temporary prefix"
