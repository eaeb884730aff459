# pulse.sh — sourced by the sound tests: a private PulseAudio with one null sink at the
# song's format, and recordings of the sink's monitor.
#
#   . tests/e2e/pulse.sh
#   pulse_start "$tmp"              # sets PULSE_SERVER, HOME, XDG_RUNTIME_DIR; pulse_pid
#   pulse_record out.raw            # recorder_pid; recording for real when it returns
#   pulse_stop_recording
#   pulse_stop
#
# Everything lives in the given folder: no user's server or settings are touched.

pulse_sink=skarvo_sink
pulse_pid="" recorder_pid=""

# stop_pid PID: ends one process started here and reaps it.
stop_pid() {
  [ -n "${1:-}" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

pulse_start() {
  local dir=$1
  export HOME=$dir/home XDG_RUNTIME_DIR=$dir/run
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  cat >"$dir/pulse.pa" <<PA
load-module module-null-sink sink_name=$pulse_sink rate=44100 format=s16le channels=2
load-module module-native-protocol-unix socket=$dir/pulse.socket auth-anonymous=1
set-default-sink $pulse_sink
PA
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -F "$dir/pulse.pa" \
    --log-target=file:"$dir/pulse.log" 2>/dev/null &
  pulse_pid=$!
  export PULSE_SERVER=unix:$dir/pulse.socket
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
  cat "$dir/pulse.log" >&2
  echo "PulseAudio did not start" >&2
  return 1
}

pulse_stop() {
  stop_pid "$pulse_pid"
  pulse_pid=""
}

# pulse_record FILE: records the sink's monitor into FILE until pulse_stop_recording.
# parec reads in 20 ms pieces, so little is lost when it is stopped; it takes a while
# to connect on a busy machine, so this returns once bytes arrive, with
# recording_start_ns set to the time of the recording's first frame.
pulse_record() {
  parec -d "$pulse_sink.monitor" --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 >"$1" &
  recorder_pid=$!
  for _ in $(seq 500); do [ -s "$1" ] && break; sleep 0.02; done
  local now size
  now=$(date +%s%N)
  size=$(stat -c %s "$1")
  recording_start_ns=$((now - size * 1000000000 / 176400))
}

pulse_stop_recording() {
  stop_pid "$recorder_pid"
  recorder_pid=""
}
