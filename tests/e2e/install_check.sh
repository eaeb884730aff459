#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree a desktop expects:
# the programs, the desktop entry (validated), the AppStream metainfo (validated, its newest
# release the project's version), the two icons at their sizes, the man pages.
#   install_check.sh BUILD_DIR VERSION PROGRAM...
set -euo pipefail
build=$1
version=$2
shift 2
id=io.github.skarvo.Skarvo
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "$1" >&2; exit 1; }

for program in "$@"; do
  [ -s "$prefix/bin/$program" ] && [ -x "$prefix/bin/$program" ] || fail "missing or not executable: bin/$program"
done

desktop=$prefix/share/applications/$id.desktop
[ -s "$desktop" ] || fail "missing: share/applications/$id.desktop"
desktop-file-validate "$desktop"
grep -qx "Icon=$id" "$desktop" || fail "$id.desktop does not name the icon $id"

# --strict fails on warnings and infos too; only pedantic hints pass.
metainfo=$prefix/share/metainfo/$id.metainfo.xml
[ -s "$metainfo" ] || fail "missing: share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net --strict "$metainfo" || fail "$id.metainfo.xml does not validate"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "$id.metainfo.xml does not launch $id.desktop"
newest=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "$id.metainfo.xml: newest release is '$newest', the project is $version"

for size in 256 48; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -s "$icon" ] || fail "missing: $icon"
  # The PNG header's width and height (big-endian words at bytes 16 and 20).
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$icon is $dims"
done
for page in man6/skarvo.6 man1/mxm.1 man1/skarvo-sim.1; do
  head -n1 "$prefix/share/man/$page" 2>/dev/null | grep -q '^\.TH ' || fail "share/man/$page is missing or no man page"
done
echo "install tree complete under a temporary prefix"
