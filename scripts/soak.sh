#!/usr/bin/env bash
# A soak of the real game: MINUTES of play in a private Xvfb with a window manager, the
# music recorded through SDL's disk driver, keys pressed at random (arrows held and let
# go, bursts of Space, the focus lost and regained, fullscreen on and off), then Escape.
#
#   scripts/soak.sh MINUTES [BUILD]      (BUILD: the Linux build folder, default build)
#
# Prints and checks: the exit status (0); resident memory after the first minute never
# more than 1 MiB above its highest in that minute's second half (the first minute visits
# every action a dozen times, fullscreen and focus changes included; the resident size
# swings by about 4 MiB with the window's size, so one sample could land on either side
# of it); the game thread's share of one core; the recording after the ring's silent
# first turn equal to the offline render byte for byte from the song's first sound on
# (nothing dropped, nothing repeated); the frame intervals (median, 99th percentile,
# longest). Keeps the recording, the frame times and a report in BUILD/artifacts/soak/.
# The key sequence is the same every run (a fixed seed).
set -euo pipefail

minutes=${1:?usage: scripts/soak.sh MINUTES [BUILD]}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${2:-$root/build}" && pwd)
game=$build/shell/skarvo mxm=$build/tools/mxm
out=$build/artifacts/soak
mkdir -p "$out"
for tool in Xvfb openbox xdotool xmessage; do
  command -v $tool >/dev/null || { echo "soak: $tool is not installed (scripts/deps.sh)" >&2; exit 2; }
done
[ -x "$game" ] && [ -x "$mxm" ] || { echo "soak: build the game and mxm first (make)" >&2; exit 2; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skarvo-soak.XXXXXX")
xvfb_pid="" wm_pid="" other_pid="" game_pid=""
stop() { [ -n "$1" ] && { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }; return 0; }
cleanup() { stop "$game_pid"; stop "$other_pid"; stop "$wm_pid"; stop "$xvfb_pid"; rm -rf "$tmp"; }
trap cleanup EXIT
failed=0
fail() { echo "FAILED: $*"; failed=1; }

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$tmp/display")"
openbox >/dev/null 2>&1 &
wm_pid=$!
xmessage -geometry 300x80+700+600 "the other window" >/dev/null 2>&1 &  # somewhere the focus can go
other_pid=$!
sleep 1

rm -f "$out/music.raw"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/music.raw" SKARVO_FRAME_LOG="$out/frames.txt" \
  "$game" >"$out/game.log" 2>&1 &
game_pid=$!
window=""
for _ in $(seq 300); do window=$(xdotool search --name '^Skarvo$' 2>/dev/null | head -1 || true); [ -n "$window" ] && break; sleep 0.1; done
[ -n "$window" ] || { cat "$out/game.log"; echo "soak: the game did not start" >&2; exit 1; }
other=$(xdotool search --name 'xmessage' 2>/dev/null | head -1 || true)
xdotool windowactivate --sync "$window" 2>/dev/null || true
start=$(date +%s)

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$game_pid/status"; }
ticks() { awk '{print $14 + $15}' "/proc/$game_pid/task/$game_pid/stat"; }  # the game thread's own
rss_base=0 rss_at_minute="" rss_peak=0 last_sample=0
RANDOM=20261209
keys=(Left Right Up Down)
echo "soak: $minutes min of play (display $DISPLAY)"
step=0
while [ $(( $(date +%s) - start )) -lt $(( minutes * 60 )) ]; do
  kill -0 "$game_pid" 2>/dev/null || { fail "the game ended during the soak"; break; }
  step=$(( step + 1 ))
  # The first minute goes through the actions in turn, then they come at random.
  if [ $(( $(date +%s) - start )) -lt 60 ]; then action=$(( step % 10 )); else action=$(( RANDOM % 10 )); fi
  case $action in
    0|1|2|3) k=${keys[RANDOM % 4]}; xdotool keydown "$k"; sleep "0.$(( RANDOM % 9 + 1 ))"; xdotool keyup "$k" ;;
    4|5) xdotool key --repeat $(( RANDOM % 8 + 1 )) --delay 40 space ;;
    6) xdotool keydown space; sleep "0.$(( RANDOM % 9 + 1 ))"; xdotool keyup space ;;  # held: auto-repeat
    7) [ -n "$other" ] && xdotool keydown Right windowactivate "$other" && sleep 0.5 &&
         xdotool windowactivate "$window" ;;  # focus lost with a key held, then back
    8) xdotool key F11; sleep 1 ;;
    9) sleep 0.5 ;;
  esac
  now=$(date +%s)
  if [ "$now" -ne "$last_sample" ]; then
    last_sample=$now
    rss=$(rss_kib)
    if [ -z "$rss_at_minute" ] && [ $(( now - start )) -ge 30 ]; then  # the baseline: seconds 30 to 60
      [ "$rss" -gt "$rss_base" ] && rss_base=$rss
      if [ $(( now - start )) -ge 60 ]; then rss_at_minute=$rss_base; fi
    fi
    [ -n "$rss_at_minute" ] && [ "$rss" -gt "$rss_peak" ] && rss_peak=$rss
  fi
done
wall=$(( $(date +%s) - start ))
game_ticks=$(ticks)
xdotool windowactivate --sync "$window" key Escape 2>/dev/null || true
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
wait "$game_pid" && status=0 || status=$?
game_pid=""

{
  echo "soak: $minutes min, exit status $status"
  [ "$status" -eq 0 ] || fail "exit status $status"
  if [ -n "$rss_at_minute" ]; then
    echo "resident memory: at most $rss_at_minute KiB late in the first minute, at most $rss_peak KiB after it"
    [ $(( rss_peak - rss_at_minute )) -le 1024 ] || fail "resident memory grew by $(( rss_peak - rss_at_minute )) KiB"
  fi
  awk -v t="$game_ticks" -v hz="$(getconf CLK_TCK)" -v s="$wall" \
    'BEGIN { printf "game thread: %.1f%% of one core\n", 100 * t / hz / s }'
  awk 'NR > 1 { print $1 - prev } { prev = $1 }' "$out/frames.txt" | sort -n >"$tmp/intervals"
  awk '{ v[NR] = $1 } END { if (NR) printf "frame intervals: %d frames, median %.1f ms, 99th percentile %.1f ms, longest %.1f ms\n",
        NR + 1, v[int(NR / 2) + 1] / 1000, v[int(NR * 0.99) + 1] / 1000, v[NR] / 1000 }' "$tmp/intervals"
  # The song starts one ring after start-up, or a streaming period later when the
  # thread's first visit came before the song was started (it then wrote silence).
  bytes=$(stat -c %s "$out/music.raw")
  first=$(od -An -v -tu4 -w4 -j 65536 -N 65536 "$out/music.raw" | awk '$1 != 0 && !f { f = NR } END { if (f) print 65536 + (f - 1) * 4 }')
  song=$(( bytes - ${first:-$bytes} ))
  "$mxm" render --embedded --raw --frames $(( song / 4 )) -o "$tmp/render.raw"
  if [ -z "$first" ] || ! cmp -s -n 65536 "$out/music.raw" /dev/zero; then
    fail "no song after the ring's silent first turn"
  elif diff_at=$(cmp "$tmp/render.raw" <(tail -c +$(( first + 1 )) "$out/music.raw") 2>/dev/null | awk '{print $5}' | tr -d ,); then
    echo "music: $(( song / 176400 )) s recorded, from $(( (first - 65536) / 4 )) frames after the silent first turn, the render byte for byte"
  else
    fail "the music differs from the render at song byte ${diff_at:-?}"
  fi
} | tee "$out/report.txt"
grep -q FAILED "$out/report.txt" && exit 1
exit $failed
