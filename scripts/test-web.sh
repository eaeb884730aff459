#!/usr/bin/env bash
# Tests the web build: the node builds of skarvo-sim and mxm give the Linux tools' bytes
# and exit codes, the embedded images decode to the Linux texels, then the page itself
# in headless Chromium (tests/web/page_test.js: replays, pictures, keys, the sound at the
# end of the page's audio graph and through PulseAudio, a plain host, no WebGL).
#
#   scripts/test-web.sh [WEB_BUILD [LINUX_BUILD]]    (defaults build-web, build)
#
# Both builds must be there (make test-web makes them). puppeteer-core, as locked in
# tests/web/package-lock.json, is installed into WEB_BUILD/node. Logs, pictures,
# recordings and any outputs that differ are kept in WEB_BUILD/artifacts (replaced by
# the next run).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
web=$(cd "${1:-$root/build-web}" && pwd)
linux=$(cd "${2:-$root/build}" && pwd)

artifacts=$web/artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"

for f in "$web/tools/mxm.js" "$web/tools/skarvo-sim.js" "$web/tests/texel_hash.js" "$web/index.html" \
         "$web/host/skarvo_test_modules" "$linux/tools/mxm" "$linux/tools/sim/skarvo-sim" "$linux/tests/pcm_match" \
         "$linux/tests/texel_hash"; do
  [ -e "$f" ] || { echo "test-web: $f is missing (run make test-web)" >&2; exit 2; }
done
for p in node npm chromium pulseaudio parec; do
  command -v "$p" >/dev/null || { echo "test-web: $p is not installed (scripts/deps-web.sh test)" >&2; exit 2; }
done

node_dir=$web/node
if ! cmp -s "$root/tests/web/package-lock.json" "$node_dir/package-lock.json" ||
   [ ! -d "$node_dir/node_modules/puppeteer-core" ]; then
  echo "test-web: installing puppeteer-core into $node_dir"
  rm -rf "$node_dir"
  mkdir -p "$node_dir"
  cp "$root/tests/web/package.json" "$root/tests/web/package-lock.json" "$node_dir/"
  (cd "$node_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skarvo-web.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
out=$tmp/out
mkdir -p "$out/linux" "$out/web" "$out/modules"
compare_log=$artifacts/compare.log
failed=0
step() { echo "== [${SECONDS} s] $*"; }

# both NAME COMMAND ARGS...: runs the Linux tool and the node one (COMMAND is mxm or
# skarvo-sim), standard input from $input (default none); their standard output,
# standard error and exit code must agree.
both() {
  local name=$1 tool=$2 os
  shift 2
  for os in linux web; do
    local run=("$linux/tools/mxm")
    [ "$tool" = skarvo-sim ] && run=("$linux/tools/sim/skarvo-sim")
    [ $os = web ] && run=(node "$web/tools/$tool.js")
    set +e
    (cd "$out/$os" && "${run[@]}" "$@" <"${input:-/dev/null}" >"$name.out" 2>"$name.err")
    echo $? >"$out/$os/$name.code"
    set -e
  done
  local part bad=""
  for part in out err code; do cmp -s "$out/linux/$name.$part" "$out/web/$name.$part" || bad+=" $part"; done
  if [ -z "$bad" ]; then
    echo "same: $name (exit $(cat "$out/linux/$name.code"), $(stat -c %s "$out/linux/$name.out") bytes)" | tee -a "$compare_log"
  else
    echo "DIFFERENT: $name:$bad" | tee -a "$compare_log"
    mkdir -p "$artifacts/different"
    for part in out err code; do
      cp "$out/linux/$name.$part" "$artifacts/different/linux-$name.$part"
      cp "$out/web/$name.$part" "$artifacts/different/web-$name.$part"
    done
    failed=1
  fi
}
# The file a command wrote, on both systems: its bytes and its permissions.
same_file() {
  if cmp -s "$out/linux/$1" "$out/web/$1" && [ "$(stat -c %a "$out/linux/$1")" = "$(stat -c %a "$out/web/$1")" ]; then
    echo "same: $1 ($(stat -c %s "$out/linux/$1") bytes)" | tee -a "$compare_log"
  else
    echo "DIFFERENT: $1" | tee -a "$compare_log"
    failed=1
  fi
}

step "skarvo-sim: every checked-in replay"
for script in "$root"/tests/data/replays/*.txt; do
  both "sim-$(basename "$script" .txt)" skarvo-sim "$script"
done

step "skarvo-sim: bad command lines and scripts"
printf 'start 0\n40\n60 jump RIGHT\n' >"$tmp/malformed.txt"
both sim-malformed skarvo-sim "$tmp/malformed.txt"
both sim-missing skarvo-sim "$tmp/no-such-script.txt"
both sim-no-script skarvo-sim
both sim-help skarvo-sim --help
input=$root/tests/data/replays/throw_and_hit.txt both sim-standard-input skarvo-sim -
# A reader that stops early: both end as SIGPIPE ends a program (status 141), silently.
for os in linux web; do
  run=("$linux/tools/sim/skarvo-sim")
  [ $os = web ] && run=(node "$web/tools/skarvo-sim.js")
  set +e
  "${run[@]}" "$root/tests/data/replays/long_game.txt" 2>"$out/$os/closed.err" | head -c 100 >/dev/null
  echo "${PIPESTATUS[0]}" >"$out/$os/closed.code"
  set -e
done
same_file closed.code
same_file closed.err
# Refused where no pixels are kept, as on Windows.
set +e
node "$web/tools/skarvo-sim.js" --png-every 1 "$tmp/png" "$root/tests/data/replays/clock_wrap.txt" >/dev/null 2>"$tmp/png.err"
code=$?
set -e
if [ $code -ne 2 ] || ! grep -q 'not available in the node build' "$tmp/png.err"; then
  echo "DIFFERENT: skarvo-sim --png-every on node: exit $code, $(cat "$tmp/png.err")" | tee -a "$compare_log"
  failed=1
fi

# mxm_both NAME FILE SECONDS TICKS: render to a file and to standard output, trace, info.
mxm_both() {
  local name=$1 file=$2 seconds=$3 ticks=$4
  both "$name.render" mxm render "$file" --seconds "$seconds" -o "$name.wav"
  same_file "$name.wav"
  both "$name.stdout" mxm render "$file" --seconds 2 --raw -o -
  both "$name.trace" mxm trace "$file" --ticks "$ticks"
  both "$name.info" mxm info "$file"
}

step "mxm: the embedded song"
mxm_both embedded --embedded 120 6000

step "mxm: modules written by mxm_builder, and the module fuzzer's seeds"
"$web/host/skarvo_test_modules" module "$out/modules" >/dev/null
for m in "$out"/modules/* "$root"/tests/data/fuzz-seeds/module/*; do
  mxm_both "module-$(basename "$m" | cut -c1-16)" "$m" 10 400
done

step "mxm: bad input"
head -c 100 "$root/README.md" >"$tmp/not-a-module"
both mxm-not-a-module mxm info "$tmp/not-a-module"
both mxm-unknown-command mxm frobnicate
both mxm-bad-option mxm render --embedded --seconds nine -o -

step "textures: the embedded images decode to the same texels"
"$linux/tests/texel_hash" >"$out/linux/texels.txt"
node "$web/tests/texel_hash.js" >"$out/web/texels.txt"
same_file texels.txt

step "the page in headless Chromium"
if ! SKARVO_WEB_DIR=$web SKARVO_ARTIFACTS=$artifacts SKARVO_REPLAYS=$root/tests/data/replays \
     SKARVO_SIM=$linux/tools/sim/skarvo-sim SKARVO_MXM=$linux/tools/mxm SKARVO_PCM_MATCH=$linux/tests/pcm_match \
     NODE_PATH=$node_dir/node_modules node "$root/tests/web/page_test.js" 2>&1 | tee "$artifacts/page.log"; then
  failed=1
fi

if [ $failed -ne 0 ]; then
  echo "test-web: FAILED; logs and outputs are in $artifacts" >&2
  exit 1
fi
echo "test-web: all passed in ${SECONDS} s"
