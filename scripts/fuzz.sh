#!/usr/bin/env bash
# Fuzzes the module validator, loader, sequencer and mixer for SECONDS seconds.
#
#   scripts/fuzz.sh 60
#
# Builds tests/fuzz with clang (libFuzzer, ASan, UBSan) in build-fuzz/, seeds the
# corpus with modules written by mxm_builder (and the game's song when a main build
# has made it), then runs. Any crash, sanitizer report or hang (an input taking more
# than 20 s) fails the run; the input is kept in build-fuzz/crashes/. Keep such an
# input as a regression test by copying it to tests/data/fuzz-regressions/.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_BUILD_DIR:-$root/build-fuzz}

cmake -S "$root/tests/fuzz" -B "$out" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j "$(nproc)" --target fuzz_module fuzz_seeds

corpus=$out/corpus
mkdir -p "$corpus" "$out/crashes"
"$out/fuzz_seeds" "$corpus"
for song in "$root"/build/assets/music/song.mxm; do
  [ -f "$song" ] && cp "$song" "$corpus/song.mxm"
done
# Past findings stay in the corpus.
for f in "$root"/tests/data/fuzz-regressions/*; do
  [ -f "$f" ] && [ "$(basename "$f")" != README ] && cp "$f" "$corpus/"
done

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
"$out/fuzz_module" "$corpus" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$out/crashes/" -print_final_stats=1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "fuzz: failed (status $status); inputs in $out/crashes/ — copy them to tests/data/fuzz-regressions/" >&2
  exit 1
fi
echo "fuzz: no findings in $seconds s"
