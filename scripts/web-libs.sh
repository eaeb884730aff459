#!/usr/bin/env bash
# libpng and zlib for the web build, from Debian's own source packages (the same code
# the Linux build decodes its images with), compiled with emcc into static libraries:
#
#   scripts/web-libs.sh DIR      → DIR/include/{png,pngconf,pnglibconf,zlib,zconf}.h,
#                                  DIR/lib/{libpng,libz}.a, DIR/versions.txt
#
# Cached: nothing is fetched or built when DIR/versions.txt is there. The sources come
# through a private apt source list (the system's Debian archives as deb-src) kept in
# DIR, so /etc/apt is never touched; apt checks them against the signed archive index.
set -euo pipefail

out=$(mkdir -p "$1" && cd "$1" && pwd)
[ -s "$out/versions.txt" ] && exit 0

command -v emcc >/dev/null || { echo "web-libs: emcc is missing (scripts/deps-web.sh)" >&2; exit 2; }
command -v dpkg-source >/dev/null || { echo "web-libs: dpkg-source is missing (apt-get install dpkg-dev)" >&2; exit 2; }

work=$out/work
rm -rf "$work"
mkdir -p "$work/parts" "$work/lists/partial" "$work/src" "$out/include" "$out/lib"

# The system's Debian archives as source archives; `sources nosecurity` leaves the
# security archive out.
sources() {
  rm -f "$work"/parts/*
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    awk -v skip="${1:-}" 'BEGIN { RS = ""; ORS = "\n\n" }
      /debian/ && !(skip && /security/) { sub(/Types: [^\n]*/, "Types: deb-src"); print }' "$f" \
      >"$work/parts/$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list |
      { if [ -n "${1:-}" ]; then grep -v security; else cat; fi; } >"$work/parts/system.list" || true
  fi
}
apt=(apt-get -q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/parts"
     -o "Dir::State::Lists=$work/lists" -o Debug::NoLocking=1)
fetch() {
  rm -rf "$work/src" "$work/lists" && mkdir -p "$work/src" "$work/lists/partial"
  "${apt[@]}" update >>"$work/apt.log" 2>&1 &&
    (cd "$work/src" && "${apt[@]}" source --download-only libpng1.6 zlib >>"$work/apt.log" 2>&1)
}
echo "web-libs: fetching the source packages of libpng1.6 and zlib" >&2
# A mirror may list a security update whose files it does not (yet) hold: then the
# point release's sources, without the security archive.
sources
if ! fetch; then
  sources nosecurity
  echo "web-libs: the security archive's sources failed; taking the point release's" >&2
  fetch || { cat "$work/apt.log" >&2; exit 1; }
fi
# Unpacked with Debian's patches applied (apt has already checked the files' hashes).
for dsc in "$work"/src/*.dsc; do
  (cd "$work/src" && dpkg-source --no-check -x "$(basename "$dsc")" >>"$work/apt.log" 2>&1)
done
png=$(find "$work/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
zlib=$(find "$work/src" -maxdepth 1 -type d -name 'zlib-*' | head -1)
[ -n "$png" ] && [ -n "$zlib" ] || { echo "web-libs: the sources did not unpack" >&2; exit 1; }

# Only the libraries' own files: no examples, tests or assembly, and none of zlib's gzip
# file functions (libpng needs only the stream ones).
build() {  # build NAME SRCDIR FILE...
  local name=$1 dir=$2
  shift 2
  printf '%s\n' "$@" |
    xargs -P "$(nproc)" -I{} emcc -O2 -c "$dir/{}" -I"$dir" -I"$zlib" -o "$work/$name-{}.o"
  emar rcs "$out/lib/lib$name.a" "$work/$name-"*.o
}
echo "web-libs: compiling zlib and libpng with emcc" >&2
build z "$zlib" adler32.c compress.c crc32.c deflate.c infback.c inffast.c inflate.c inftrees.c \
  trees.c uncompr.c zutil.c
cp "$png/scripts/pnglibconf.h.prebuilt" "$png/pnglibconf.h"
build png "$png" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c \
  pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
cp "$zlib/zlib.h" "$zlib/zconf.h" "$png/png.h" "$png/pngconf.h" "$png/pnglibconf.h" "$out/include/"

{
  for dsc in "$work"/src/*.dsc; do basename "$dsc" .dsc; done
  emcc --version | head -1
} >"$out/versions.txt.part"
rm -rf "$work"
mv "$out/versions.txt.part" "$out/versions.txt"
echo "web-libs: $(tr '\n' ' ' <"$out/versions.txt")" >&2
