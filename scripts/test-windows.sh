#!/usr/bin/env bash
# Tests the Windows build: the zip, then under Wine the cross-built unit tests through
# CTest, byte-for-byte agreement of skarvo-sim.exe and mxm.exe with the Linux tools, and
# the game itself (skarvo.exe in Xvfb, through the Linux build's end-to-end tests).
#
#   scripts/test-windows.sh [WINDOWS_BUILD [LINUX_BUILD]]    (defaults build-windows, build)
#
# Both builds must be there (make test-windows makes them). Wine runs in a private
# prefix in a temporary folder; its server is started here and ended here, by process
# id, and the folder is removed, whatever the outcome. Every step's log, the game's
# screenshots and any outputs that differ are kept in WINDOWS_BUILD/artifacts (replaced
# by the next run).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
win=$(cd "${1:-$root/build-windows}" && pwd)
linux=$(cd "${2:-$root/build}" && pwd)
jobs=${JOBS:-$(nproc)}

artifacts=$win/artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"

for f in "$win/tools/mxm.exe" "$win/tools/sim/skarvo-sim.exe" "$win/host/skarvo_test_modules" \
         "$linux/tools/mxm" "$linux/tools/sim/skarvo-sim"; do
  [ -x "$f" ] || { echo "test-windows: $f is missing (run make test-windows)" >&2; exit 2; }
done
command -v wine >/dev/null || { echo "test-windows: wine is not installed (scripts/deps-windows.sh test)" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "test-windows: Xvfb is not installed (scripts/deps-windows.sh test)" >&2; exit 2; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skarvo-wine.XXXXXX")
export WINEPREFIX=$tmp/prefix WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
server_pid=""
xvfb_pid=""
cleanup() {
  local status=$?
  if [ -n "$server_pid" ]; then
    wineserver -k 2>/dev/null || true            # this prefix's Windows processes, and the server
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
  if [ $status -ne 0 ]; then
    echo "test-windows: FAILED; the logs of every step are in $artifacts" >&2
  fi
}
trap cleanup EXIT

failed=0
step() { echo "== $*"; }
# logged NAME COMMAND...: runs the command, its output shown and kept in NAME.log.
logged() {
  local name=$1
  shift
  "$@" 2>&1 | tee "$artifacts/$name.log"
}

step "the zip"
check_zip() {
  local zip=$win/skarvo-windows-x64.zip want=(README.txt) got name dll bad=0
  [ -x "$win/shell/skarvo.exe" ] && want+=(skarvo.exe)
  want+=(mxm.exe skarvo-sim.exe)
  [ -s "$zip" ] || { echo "missing: $zip"; return 1; }
  got=$(cmake -E tar tf "$zip" | sort)
  if [ "$got" != "$(printf '%s\n' "${want[@]}" | sort)" ]; then
    echo "the zip holds: $(echo $got); expected: ${want[*]}"
    bad=1
  fi
  mkdir -p "$tmp/zip"
  (cd "$tmp/zip" && cmake -E tar xf "$zip")
  # Notepad of old shows LF-only text as one line.
  if [ "$(grep -c $'\r$' "$tmp/zip/README.txt")" -ne "$(wc -l <"$tmp/zip/README.txt")" ]; then
    echo "README.txt has lines without CRLF"
    bad=1
  fi
  # Only DLLs that every Windows has: no libstdc++, libgcc or winpthread beside the exe.
  local system='^(kernel32|msvcrt|user32|gdi32|d3d9|ole32|oleaut32|winmm|windowscodecs|advapi32|shell32)\.dll$'
  for name in "${want[@]}"; do
    [ "$name" = README.txt ] && continue
    for dll in $(x86_64-w64-mingw32-objdump -p "$tmp/zip/$name" | awk '/DLL Name:/ {print $3}'); do
      if [[ ! "${dll,,}" =~ $system ]]; then
        echo "$name imports $dll, which is not part of Windows"
        bad=1
      fi
    done
    echo "$name: $(stat -c %s "$tmp/zip/$name") bytes; imports $(x86_64-w64-mingw32-objdump -p "$tmp/zip/$name" |
      awk '/DLL Name:/ {printf "%s ", $3}')"
  done
  echo "zip: $(stat -c %s "$zip") bytes"
  return $bad
}
if ! logged zip check_zip; then failed=1; fi

# A private X server for the window tests, up before Wine so that Wine's desktop
# process starts on it.
# -displayfd: the server picks a free display number and tells it when it is ready.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$tmp/display" 2>"$artifacts/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 300); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { cat "$artifacts/xvfb.log" >&2; echo "test-windows: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$tmp/display")"

mkdir -p "$WINEPREFIX"
# Our own server in the foreground of a background job, so we know its process id.
wineserver -f -p &
server_pid=$!
start=$(date +%s%N)
# -u, not -i: the first program in a new prefix sets it up anyway, and an explicit
# --init on top of that starts a second service manager, which keeps the service
# database locked. Then RPC never starts, and every program that makes a window waits
# 10 s for Wine's desktop (measured: 10-15 s per window test instead of 0.2 s).
wine wineboot -u >"$artifacts/wineboot.log" 2>&1 || { cat "$artifacts/wineboot.log" >&2; exit 1; }
echo "test-windows: Wine prefix ready in $(( ($(date +%s%N) - start) / 1000000 )) ms"

step "the Windows backend's window under Wine, in the private X server"
if ! logged ctest-window ctest --test-dir "$win" --output-on-failure -L win32_gui; then failed=1; fi

step "unit tests under Wine"
# Left out: the cases that take the C library's sine and cosine as the reference for
# ours. MinGW-w64's (x87 fsincos, a 66-bit pi) is off by up to 7·10^12 ulps near
# multiples of pi, so there the reference is wrong, not ours. Trig.SameBitsAsTheTableMadeOnLinux
# holds ours to the Linux results instead. See docs/windows.md.
libm_reference='^(ExactFloat\.SpawnCoordinatesMatchTheCLibraryOverAMillionAngles)$'
if ! logged ctest-unit ctest --test-dir "$win" --output-on-failure -j "$jobs" -E "$libm_reference" -LE win32_gui; then
  failed=1
fi

out=$tmp/out
mkdir -p "$out/linux" "$out/windows" "$out/modules"
compare_log=$artifacts/compare.log
same() {  # same NAME: the Linux and Windows outputs of NAME agree; both kept when not
  if cmp -s "$out/linux/$1" "$out/windows/$1"; then
    echo "same: $1 ($(stat -c %s "$out/linux/$1") bytes)" | tee -a "$compare_log"
  else
    echo "DIFFERENT: $1 ($(cmp "$out/linux/$1" "$out/windows/$1" 2>&1 | head -1))" | tee -a "$compare_log"
    mkdir -p "$artifacts/different"
    cp "$out/linux/$1" "$artifacts/different/linux-$1"
    cp "$out/windows/$1" "$artifacts/different/windows-$1"
    failed=1
  fi
}
# Runs a tool, its standard error into the comparison log.
run() { "$@" 2>>"$compare_log"; }

step "skarvo-sim: every checked-in replay"
for script in "$root"/tests/data/replays/*.txt; do
  name=$(basename "$script" .txt).jsonl
  run "$linux/tools/sim/skarvo-sim" "$script" >"$out/linux/$name"
  run wine "$win/tools/sim/skarvo-sim.exe" "$script" >"$out/windows/$name"
  same "$name"
done

# mxm render (a named file and standard output) and trace, on both builds.
mxm_both() {  # mxm_both NAME FILE SECONDS TICKS
  local name=$1 file=$2 seconds=$3 ticks=$4 os
  for os in linux windows; do
    local tool=$linux/tools/mxm
    [ $os = windows ] && tool="wine $win/tools/mxm.exe"
    run $tool render "$file" --seconds "$seconds" -o "$out/$os/$name.wav"
    run $tool render "$file" --seconds 2 --raw -o - >"$out/$os/$name.stdout.raw"
    run $tool trace "$file" --ticks "$ticks" >"$out/$os/$name.trace.jsonl"
  done
  same "$name.wav"
  same "$name.stdout.raw"
  same "$name.trace.jsonl"
}

step "mxm: the embedded song"
mxm_both embedded --embedded 120 6000

# Windows' rename refuses an existing target: the finished output must still replace it.
step "mxm: output replacing an existing file"
for os in linux windows; do
  tool=$linux/tools/mxm
  [ $os = windows ] && tool="wine $win/tools/mxm.exe"
  echo "an older file, longer than nothing" >"$out/$os/replaced.wav"
  run $tool render --embedded --seconds 1 -o "$out/$os/replaced.wav"
done
same replaced.wav
if ls "$out"/windows/*.part* >/dev/null 2>&1; then
  echo "LEFT BEHIND: $(ls "$out"/windows/*.part*)" | tee -a "$compare_log"
  failed=1
fi

step "mxm: modules written by mxm_builder"
run "$win/host/skarvo_test_modules" module "$out/modules" >/dev/null
for m in "$out"/modules/*; do
  mxm_both "modules-$(basename "$m")" "$m" 10 400
done

step "mxm: the module fuzzer's seeds"
for m in "$root"/tests/data/fuzz-seeds/module/*; do
  mxm_both "fuzz-seed-$(basename "$m" | cut -c1-12)" "$m" 10 400
done

step "the game under Wine: the Linux build's end-to-end tests, each case in its own X server"
game_test=$linux/tests/e2e_test
if [ ! -x "$game_test" ]; then
  echo "test-windows: $game_test is missing (run make test-windows)" >&2
  failed=1
else
  export SKARVO_EXE=$win/shell/skarvo.exe SKARVO_ARTIFACTS=$artifacts
  export WINE
  WINE=$(command -v wine)
  # One case at a time, each in its own process: one log each, and a hung case cannot
  # take the others with it. The Linux-only cases skip.
  for case in $("$game_test" --gtest_list_tests | awk '/^[^ ]/ {suite=$1} /^  / {print suite $1}'); do
    log=$artifacts/game-${case//\//_}.log
    start=$(date +%s)
    if "$game_test" --gtest_filter="$case" >"$log" 2>&1; then
      result=passed
      grep -q '^\[  SKIPPED \]' "$log" && result=skipped
      echo "$result: $case ($(( $(date +%s) - start )) s)"
    else
      echo "FAILED: $case ($(( $(date +%s) - start )) s), its log:"
      sed 's/^/  /' "$log"
      failed=1
    fi
  done
fi

step "DirectSound under Wine into a PulseAudio null sink"
if ! logged sound bash "$root/scripts/test-windows-sound.sh" "$win" "$linux"; then failed=1; fi

if [ $failed -ne 0 ]; then
  exit 1
fi
echo "test-windows: all passed"
