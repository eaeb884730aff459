#!/usr/bin/env bash
# Fuzzes every parser we own, SECONDS seconds per target (default 30), one after another.
#
#   scripts/fuzz.sh 40                 # all six targets, 40 s each
#   scripts/fuzz.sh 600 song texture   # only these
#   scripts/fuzz.sh --update-seeds     # rebuild tests/data/fuzz-seeds/ (see below)
#
# --update-seeds replaces each target's seeds by the smallest set (libFuzzer's
# -set_cover_merge) that covers what the seeds, the starting inputs (generated files and
# the game's own texts) and build-fuzz/corpus/TARGET cover. The module target leaves its
# corpus out: its inputs are whole modules of 10 to 30 KB, too many to keep.
#
# Targets (tests/fuzz/exercise.h): module (validate, load, render, tick), song and
# instruments (song compiler: parse, synthesise, compile), pixelart (image generator's
# reader and writer), replay (skarvo-sim's script), texture (the game's PNG decoding).
#
# Builds tests/fuzz with clang (libFuzzer, ASan, UBSan) in build-fuzz/. Each target starts
# from its seeds in tests/data/fuzz-seeds/TARGET/ and its past findings in
# tests/data/fuzz-regressions/TARGET/, and keeps what it learns in build-fuzz/corpus/TARGET/.
# Any crash, sanitizer report, broken invariant or hang (an input taking more than 20 s)
# fails the run; the input is kept in build-fuzz/crashes/TARGET/. Once fixed, copy it to
# tests/data/fuzz-regressions/TARGET/, where validate_fuzz_regressions_test replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_BUILD_DIR:-$root/build-fuzz}
all=(module song instruments pixelart replay texture)

update=0
seconds=30
if [ "${1:-}" = "--update-seeds" ]; then
  update=1
  shift
elif [ $# -gt 0 ]; then
  seconds=$1
  shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

cmake -S "$root/tests/fuzz" -B "$out" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j "$(nproc)" --target fuzz_seeds $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

max_len() {
  case $1 in
    module | song) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

dict() {
  [ -f "$root/tests/fuzz/dict/$1.dict" ] && echo "-dict=$root/tests/fuzz/dict/$1.dict"
  return 0
}

# The starting inputs the seeds are minimised from: generated files and the game's own texts.
starting_inputs() {
  local t=$1 dir=$2
  case $t in
    module) "$out/fuzz_seeds" module "$dir"
            if [ -f "$root/build/assets/music/song.mxm" ]; then cp "$root/build/assets/music/song.mxm" "$dir/"; fi ;;
    texture) "$out/fuzz_seeds" texture "$dir" ;;
    song) cp "$root/assets/music/song.txt" "$dir/" ;;
    instruments) cp "$root/assets/music/instruments.txt" "$dir/" ;;
    pixelart) cp "$root"/assets/images/*.txt "$dir/" ;;
    replay) cp "$root"/tests/data/replays/*.txt "$dir/" ;;
  esac
}

if [ $update -eq 1 ]; then
  for t in "${targets[@]}"; do
    seeds=$root/tests/data/fuzz-seeds/$t
    fresh=$out/fresh-seeds/$t
    rm -rf "$fresh" "$out/candidates/$t" && mkdir -p "$fresh" "$out/candidates/$t" "$seeds"
    starting_inputs "$t" "$out/candidates/$t"
    sources=("$seeds" "$out/candidates/$t")
    [ "$t" != module ] && [ -d "$out/corpus/$t" ] && sources+=("$out/corpus/$t")
    "$out/fuzz_$t" -set_cover_merge=1 -use_counters=0 -max_len="$(max_len "$t")" "$fresh" "${sources[@]}" 2>/dev/null
    rm -f "$seeds"/* && cp "$fresh"/* "$seeds/"
    echo "fuzz: $t: $(ls "$seeds" | wc -l) seeds, $(du -sk "$seeds" | cut -f1) KB"
  done
  exit 0
fi

failed=()
for t in "${targets[@]}"; do
  corpus=$out/corpus/$t
  crashes=$out/crashes/$t
  mkdir -p "$corpus" "$crashes"
  inputs=("$root/tests/data/fuzz-seeds/$t")
  [ -d "$root/tests/data/fuzz-regressions/$t" ] && inputs+=("$root/tests/data/fuzz-regressions/$t")
  echo "fuzz: $t for $seconds s"
  status=0
  "$out/fuzz_$t" "$corpus" "${inputs[@]}" $(dict "$t") \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len="$(max_len "$t")" \
    -artifact_prefix="$crashes/" -print_final_stats=1 2>"$out/$t.log" || status=$?
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::(number_of_executed_units|average_exec_per_sec)' "$out/$t.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$out/$t.log" >&2
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}; inputs in $out/crashes/ — once fixed, copy them to tests/data/fuzz-regressions/TARGET/" >&2
  exit 1
fi
echo "fuzz: no findings in ${#targets[@]} target(s), $seconds s each"
