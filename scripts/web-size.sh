#!/usr/bin/env bash
# The page's size, file by file and in all, as served (raw) and gzipped (gzip -9):
#   scripts/web-size.sh [WEB_BUILD]
# A page loads either the threaded build or the other, never both: both totals are given.
set -euo pipefail
dir=${1:-build-web}
total() { local raw=0 gz=0 f; for f in "$@"; do raw=$((raw + $(stat -c %s "$dir/$f"))); gz=$((gz + $(gzip -9c "$dir/$f" | wc -c))); done; echo "$raw $gz"; }
printf '%-22s %10s %10s\n' file bytes gzipped
for f in index.html skarvo-audio.js skarvo.js skarvo.wasm skarvo-mt.js skarvo-mt.worker.js skarvo-mt.wasm; do
  read -r raw gz < <(total "$f")
  printf '%-22s %10d %10d\n' "$f" "$raw" "$gz"
done
read -r raw gz < <(total index.html skarvo-audio.js skarvo.js skarvo.wasm)
printf '%-22s %10d %10d\n' "page without threads" "$raw" "$gz"
read -r raw gz < <(total index.html skarvo-audio.js skarvo-mt.js skarvo-mt.worker.js skarvo-mt.wasm)
printf '%-22s %10d %10d\n' "page with threads" "$raw" "$gz"
printf '%-22s %10d\n' "skarvo-web.zip" "$(stat -c %s "$dir/skarvo-web.zip")"
