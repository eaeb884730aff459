#!/usr/bin/env bash
# Tests the Debian package the way a player meets it: `make package`, lintian (no error and no
# warning), then a fresh minimal Debian 12 chroot that installs the .deb with apt-get, runs
# the installed skarvo-sim and mxm against the build tree's (same bytes), and removes it again
# (every file gone). Needs root and Debian's archive; run by .ci/run, not by `make test`.
#   package-test.sh [BUILD_DIR]        (default: build)
# A pristine debootstrap is kept as BUILD_DIR/package-test/bookworm-minbase.tar and unpacked
# anew for every run; delete it to bootstrap again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mirror=http://deb.debian.org/debian
fail() { echo "package-test: $1" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot, mounts)"
start=$(date +%s)

bash scripts/deps.sh debootstrap lintian
rm -f "$build"/skarvo_*.deb
make --no-print-directory package BUILD="$build"
debs=("$build"/skarvo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -s "${debs[0]}" ] || fail "expected one $build/skarvo_*.deb, found: ${debs[*]}"
deb=${debs[0]}
echo "package-test: $deb, $(stat -c %s "$deb") bytes"

# Overridden tags (dist/deb/lintian-overrides) are the only warnings allowed.
lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2) ||
  fail "lintian finds errors or warnings in $deb"

work=$(realpath "$build")/package-test
root=$work/root
cache=$work/bookworm-minbase.tar
cleanup() {
  for m in "$root/dev" "$root/proc"; do
    if mountpoint -q "$m"; then umount "$m" || umount -l "$m"; fi
  done
  # --one-file-system: never reach into a mount that failed to go away.
  rm -rf --one-file-system "$root" "$cache.tmp" "$work/bootstrap"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"

if [ ! -s "$cache" ]; then
  echo "package-test: debootstrap --variant=minbase bookworm (once; kept in $cache)"
  debootstrap --variant=minbase bookworm "$work/bootstrap" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    fail "debootstrap failed, see $work/debootstrap.log"
  tar -C "$work/bootstrap" --numeric-owner --xattrs -cpf "$cache.tmp" .
  mv "$cache.tmp" "$cache"
  rm -rf --one-file-system "$work/bootstrap"
fi
mkdir "$root"
tar -C "$root" --numeric-owner --xattrs -xpf "$cache"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No daemon may start inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

mkdir "$root/tmp/t"
cp "$deb" tests/data/replays/*.txt "$root/tmp/t/"
in_root apt-get update -qq
in_root sh -c 'cd /tmp/t && apt-get install -y -qq ./skarvo_*.deb' >"$work/apt.log" 2>&1 ||
  fail "apt-get install of the package failed, see $work/apt.log"
in_root dpkg-query -L skarvo >"$work/files"

# Every program the package put in a bin folder finds its libraries, and the desktop entry's
# Exec is one of them.
for p in $(grep -E '^/usr/(bin|games)/.' "$work/files"); do
  [ -x "$root$p" ] || fail "$p is not executable"
  libs=$(in_root ldd "$p") || fail "ldd $p failed"
  if grep 'not found' <<<"$libs"; then fail "$p misses libraries"; fi
done
exec_line=$(grep -h '^Exec=' "$root"/usr/share/applications/*.desktop)
grep -qx "${exec_line#Exec=}" "$work/files" || fail "desktop entry's $exec_line is not a program of the package"

# The installed tools give the build tree's bytes.
for script in tests/data/replays/*.txt; do
  name=$(basename "$script")
  in_root /usr/bin/skarvo-sim "/tmp/t/$name" >"$work/sim.installed"
  "$build/tools/sim/skarvo-sim" "$script" >"$work/sim.built"
  cmp -s "$work/sim.installed" "$work/sim.built" || fail "installed skarvo-sim differs from the build's on $name"
done
in_root /usr/bin/mxm render --embedded --seconds 39 -o /tmp/t/song.wav 2>/dev/null
"$build/tools/mxm" render --embedded --seconds 39 -o "$work/song.wav" 2>/dev/null
cmp -s "$root/tmp/t/song.wav" "$work/song.wav" || fail "installed mxm renders other bytes than the build's"

# Removal takes every file; a folder may stay only where another package owns it.
in_root dpkg -r skarvo >>"$work/apt.log" 2>&1 || fail "dpkg -r skarvo failed, see $work/apt.log"
while read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$root$path" ]; then
    in_root dpkg-query -S "$path" >/dev/null 2>&1 || fail "dpkg -r left the folder $path"
  elif [ -e "$root$path" ] || [ -L "$root$path" ]; then
    fail "dpkg -r left $path"
  fi
done <"$work/files"

echo "package-test: installed, ran and removed cleanly in a fresh bookworm chroot in $(( $(date +%s) - start )) s"
