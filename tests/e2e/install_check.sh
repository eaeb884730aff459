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

fail=0
need() {
  if [ ! -s "$prefix/$1" ]; then
    echo "missing: $1" >&2
    fail=1
  fi
}

for program in "$@"; do
  need "bin/$program"
  [ -x "$prefix/bin/$program" ] || { echo "not executable: bin/$program" >&2; fail=1; }
done

need share/applications/skarvo.desktop
if [ -s "$prefix/share/applications/skarvo.desktop" ]; then
  desktop-file-validate "$prefix/share/applications/skarvo.desktop" || fail=1
fi

for size in 256 48; do
  icon=share/icons/hicolor/${size}x${size}/apps/skarvo.png
  need "$icon"
  if [ -s "$prefix/$icon" ]; then
    # The PNG header's width and height (big-endian words at bytes 16 and 20).
    dims=$(od -An -tu1 -j16 -N8 "$prefix/$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || { echo "$icon is $dims" >&2; fail=1; }
  fi
done

for page in man6/skarvo.6 man1/mxm.1 man1/skarvo-sim.1; do
  need "share/man/$page"
  if [ -s "$prefix/share/man/$page" ] && ! head -n1 "$prefix/share/man/$page" | grep -q '^\.TH '; then
    echo "share/man/$page is no man page" >&2
    fail=1
  fi
done

[ $fail -eq 0 ] && echo "install tree complete under a temporary prefix"
exit $fail
