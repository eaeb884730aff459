#!/usr/bin/env bash
# The music survives the sound server: the real game plays into a private PulseAudio
# null sink, the server is killed and started again, and within 3 s of its return the
# sink hears the song again (found sample for sample in the offline render); the game
# runs on throughout and Escape still ends it with status 0.
#
#   sound_device_loss.sh SKARVO MXM PCM_MATCH ARTIFACTS
set -euo pipefail
game=$1 mxm=$2 matcher=$3 artifacts=$4
mkdir -p "$artifacts"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/pulse.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skarvo-loss.XXXXXX")
xvfb_pid="" game_pid=""
cleanup() {
  pulse_stop_recording
  stop_pid "$game_pid"
  stop_pid "$xvfb_pid"
  pulse_stop
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
running() { kill -0 "$game_pid" 2>/dev/null; }

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$tmp/display")" SDL_VIDEODRIVER=x11
pulse_start "$tmp"

"$game" >"$artifacts/device_loss_game.log" 2>&1 &
game_pid=$!
for _ in $(seq 300); do xdotool search --name "^Skarvo$" >/dev/null 2>&1 && break; running || fail "the game did not start (see device_loss_game.log)"; sleep 0.1; done
"$mxm" render --embedded --seconds 60 --raw -o "$tmp/render.raw"

match() {  # match NAME: the recording NAME.raw holds the song
  "$matcher" "$tmp/render.raw" "$artifacts/$1.raw" --min-seconds "$2" --max-unmatched 16 \
    --report "$artifacts/$1.report.txt" >/dev/null || { head -4 "$artifacts/$1.report.txt" >&2; fail "$1: not the song"; }
}

pulse_record "$artifacts/device_loss_before.raw"
sleep 5
pulse_stop_recording
match device_loss_before 1.5

kill -KILL "$pulse_pid"
wait "$pulse_pid" 2>/dev/null || true  # reaped quietly: the shell reports no kill it waited for
pulse_pid=""
sleep 2
running || fail "the game ended when the sound server went away"

pulse_start "$tmp"
returned_ns=$(date +%s%N)  # the server answers again
pulse_record "$artifacts/device_loss_after.raw"
sleep 7
pulse_stop_recording
running || fail "the game ended after the sound server came back"
match device_loss_after 3

# The first frame of the song in the recording (the matcher's first stretch), counted
# from the server's return.
first=$(awk '$1 == "0" && NF == 6 { print $2; exit }' "$artifacts/device_loss_after.report.txt")
[ -n "$first" ] || fail "no stretch of the song after the server came back"
back_ms=$(( (recording_start_ns - returned_ns) / 1000000 + first * 1000 / 44100 ))
echo "music back ${back_ms} ms after the sound server returned"
[ "$back_ms" -le 3000 ] || fail "the music took ${back_ms} ms to come back"

window=$(xdotool search --name '^Skarvo$' | head -1)
xdotool windowfocus --sync "$window" key Escape
for _ in $(seq 100); do running || break; sleep 0.1; done
running && fail "Escape did not end the game"
wait "$game_pid" && status=0 || status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the game ended with status $status"
echo "device loss: passed"
