#!/usr/bin/env bash
# DirectSound for real under Wine: the Windows build plays into a private PulseAudio
# null sink, the sink's monitor is recorded, and the recording is placed in the Linux
# build's offline render of the same song (pcm_match). Wine's bridge to PulseAudio loses
# frames, so the recording is compared by content: every recorded stretch between gaps
# must equal the render at one offset, and at least 3 s of the song must arrive in order.
#
#   scripts/test-windows-sound.sh WINDOWS_BUILD LINUX_BUILD
#
# Checks: the DirectSound ring's unit test on the sink; `mxm.exe play`; `mxm.exe play`
# with the sound server pointing nowhere (the no-sound message and exit status of the
# Linux tool); and the game itself when the build has skarvo.exe (in Xvfb, ended by
# Escape, exit status 0). Recordings and reports go to WINDOWS_BUILD/artifacts/.
# Everything started here (PulseAudio, Xvfb, Wine's server, the recorder) is ended by
# process id, and the temporary folder removed, whatever the outcome.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
win=$(cd "${1:-$root/build-windows}" && pwd)
linux=$(cd "${2:-$root/build}" && pwd)
seconds=${SOUND_SECONDS:-10}  # of mxm.exe play
game_seconds=${GAME_SECONDS:-9}
artifacts=$win/artifacts
mkdir -p "$artifacts"

say() { echo "test-windows-sound: $*"; }
for tool in wine wineserver Xvfb pulseaudio parec pactl /usr/bin/time; do
  command -v $tool >/dev/null || { say "$tool is not installed (scripts/deps-windows.sh test)" >&2; exit 2; }
done
for f in "$win/tools/mxm.exe" "$linux/tools/mxm"; do
  [ -x "$f" ] || { say "$f is missing (run make test-windows)" >&2; exit 2; }
done
matcher=$linux/tests/pcm_match
[ -x "$matcher" ] || cmake --build "$linux" --target pcm_match >/dev/null
game=$(find "$win" -maxdepth 3 -name skarvo.exe -type f | head -1)

. "$root/tests/e2e/pulse.sh"  # the private PulseAudio, its recorder, stop_pid

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skarvo-sound.XXXXXX")
xvfb_pid="" server_pid=""
cleanup() {
  pulse_stop_recording
  if [ -n "$server_pid" ]; then
    wineserver -k 2>/dev/null || true
    stop_pid "$server_pid"
  fi
  stop_pid "$xvfb_pid"
  pulse_stop
  rm -rf "$tmp"
}
trap cleanup EXIT

# PulseAudio of our own, everything in the temporary folder: no user's server is touched.
pulse_start "$tmp" || exit 1
sink=$pulse_sink

# Xvfb for the game's window (Wine's desktop starts on it too).
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; say "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$tmp/display")"

export WINEPREFIX=$tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -f -p &
server_pid=$!
# The first program in a new prefix makes it (Wine runs `wineboot --init` itself). An
# explicit `wineboot -i` on top initialises it a second time and leaves two service
# managers running, after which starting the desktop (GetDesktopWindow, which the
# DirectSound ring asks for) waits 10 s for a service that never answers.
wine cmd /c exit 0 >"$tmp/wineboot.log" 2>&1 || { cat "$tmp/wineboot.log" >&2; exit 1; }

failed=0
step() { echo "== $*"; }
fail() { echo "FAILED: $*"; failed=1; }

# record NAME: records the sink's monitor into artifacts/NAME.raw, for real before the
# sound starts; recording_start_ns is the time of its first frame.
record() {
  pulse_record "$artifacts/$1.raw"
  sleep 0.2
}
# end_recording: what the ring and the server still hold reaches the monitor first.
end_recording() {
  sleep 1
  pulse_stop_recording
}
# compare NAME SECONDS: the recording NAME.raw against the render of SECONDS of the song.
# Up to 16 frames found nowhere are let pass: a frame the device read while the streaming
# thread was writing it, one ring late, would be half old and half new. A wrong format,
# order or level leaves nearly every frame unplaced.
compare() {
  "$linux/tools/mxm" render --embedded --seconds "$2" --raw -o "$tmp/render.raw"
  if "$matcher" "$tmp/render.raw" "$artifacts/$1.raw" --min-seconds 3 --max-unmatched 16 \
      --report "$artifacts/$1.report.txt" >/dev/null; then
    echo "matched: $1 ($(sed -n '2p;4p' "$artifacts/$1.report.txt" | tr '\n' ' '))"
  else
    fail "$1 does not match the render (see $artifacts/$1.report.txt)"
    head -4 "$artifacts/$1.report.txt"
  fi
}
# cpu_ticks PID: user + system clock ticks the process has used so far.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

step "the DirectSound ring's unit test on the null sink"
ctest_log=$tmp/ctest.log
if ! ctest --test-dir "$win" --output-on-failure -L sound_device >"$ctest_log" 2>&1; then
  cat "$ctest_log"
  fail "sound_ring_dsound_on_device"
elif grep -q "Skipped" "$ctest_log"; then
  cat "$ctest_log"
  fail "sound_ring_dsound_on_device skipped: DirectSound found no device on the null sink"
else
  grep -E "tests passed" "$ctest_log"
fi

step "mxm.exe play: $seconds s of the embedded song into the null sink"
record mxm-play
server_before=$(cpu_ticks "$server_pid")
# Each status line with the time it came (ns); the first comes right after the song started.
/usr/bin/time -o "$tmp/play.time" -f "%U %S %e" \
  wine "$win/tools/mxm.exe" play --embedded --seconds "$seconds" </dev/null 2>"$tmp/play.err" |
  while IFS= read -r line; do echo "$(date +%s%N) $line"; done >"$tmp/play.out"
status=${PIPESTATUS[0]}
server_after=$(cpu_ticks "$server_pid")
end_recording
if [ "$status" -ne 0 ] || ! grep -q "order" "$tmp/play.out"; then
  fail "mxm.exe play ended with status $status"
  cat "$tmp/play.out" "$tmp/play.err"
fi
read -r user system real <"$tmp/play.time"
echo "mxm.exe play: ${real} s wall, ${user} s user + ${system} s system CPU in the process," \
  "$(awk -v t=$((server_after - server_before)) -v hz="$(getconf CLK_TCK)" 'BEGIN{printf "%.2f", t/hz}') s in wineserver"
compare mxm-play $((seconds + 5))
# From the song's start to its first frame at the sink's monitor: the ring's silent first
# turn (371.5 ms) and what Wine and PulseAudio hold. Good to some tens of ms: the
# recording's start and the status line's time are each known that well.
awk -v rec0="$recording_start_ns" -v started="$(head -1 "$tmp/play.out" | cut -d' ' -f1)" '
  $1 == "0" && NF == 6 { heard = rec0 + ($2 - $3) / 44100 * 1e9;
                         printf "first sound %.0f ms after the song started (song frame %d arrived first)\n",
                                (heard - started) / 1e6, $3; exit }' "$artifacts/mxm-play.report.txt"

step "mxm.exe play without a sound server: the Linux tool's message and status"
PULSE_SERVER=unix:$tmp/nowhere wine "$win/tools/mxm.exe" play --embedded --seconds 1 </dev/null \
  >/dev/null 2>"$tmp/nosound.all" && status=0 || status=$?
# Wine's ALSA driver, tried after PulseAudio, prints complaints of its own: not ours.
grep -v '^ALSA lib ' "$tmp/nosound.all" >"$tmp/nosound.err" || true
SDL_AUDIODRIVER=no-such-driver "$linux/tools/mxm" play --embedded --seconds 1 </dev/null \
  >/dev/null 2>"$tmp/nosound-linux.err" && linux_status=0 || linux_status=$?
echo "windows ($status): $(head -1 "$tmp/nosound.err")"
echo "linux ($linux_status): $(head -1 "$tmp/nosound-linux.err")"
if [ "$status" -ne "$linux_status" ] || [ "$(wc -l <"$tmp/nosound.err")" -ne 1 ] ||
   [ "$(cut -d: -f1-2 "$tmp/nosound.err")" != "$(cut -d: -f1-2 "$tmp/nosound-linux.err")" ]; then
  fail "mxm.exe play without sound differs from the Linux tool"
fi

if [ -n "$game" ]; then
  command -v xdotool >/dev/null || { say "xdotool is not installed (scripts/deps-windows.sh test)" >&2; exit 2; }
  step "skarvo.exe: the game's music into the null sink, ended by Escape"
  record skarvo
  wine "$game" >"$tmp/game.out" 2>&1 &
  game_pid=$!
  sleep "$game_seconds"
  echo "skarvo.exe: $(awk -v t="$(cpu_ticks "$game_pid")" -v hz="$(getconf CLK_TCK)" -v s="$game_seconds" \
    'BEGIN{printf "%.2f s CPU in its first %d s (%.0f%% of one core)", t/hz, s, 100*t/hz/s}')"
  window=$(xdotool search --name '^Skarvo$' 2>/dev/null | head -1 || true)
  if [ -n "$window" ]; then
    # No window manager in Xvfb: give the window the focus ourselves, then type.
    xdotool windowfocus "$window" 2>/dev/null || true
    sleep 0.2
    xdotool key Escape
  else
    fail "skarvo.exe has no window captioned Skarvo"
  fi
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$game_pid" 2>/dev/null; then
    fail "skarvo.exe did not end on Escape"
    kill "$game_pid" 2>/dev/null || true
  fi
  wait "$game_pid" && status=0 || status=$?
  [ "$status" -eq 0 ] || fail "skarvo.exe ended with status $status"
  end_recording
  compare skarvo $((game_seconds + 10))
else
  step "skarvo.exe: not in this build, the game's recording is left out"
fi

if [ $failed -ne 0 ]; then
  say "FAILED" >&2
  exit 1
fi
say "all passed"
