#!/usr/bin/env bash
# Builds the fuzz programs (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and fuzzes each
# for SECONDS, one after the other, starting from its corpus in the tree. New inputs go to
# build/fuzz/corpus/<target>, never into the tree; an input that fails is kept in
# build/fuzz/findings/<target>/ and shown in hex, and the run fails.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (60 seconds and every target by default)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
scripts/bootstrap.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

# The targets write their scratch files to the temporary folder: memory is much faster than disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in tests/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
for target in "${targets[@]}"; do
  work="build/fuzz/corpus/$target"
  findings="build/fuzz/findings/$target"
  log="build/fuzz/$target.log"
  mkdir -p "$work" "$findings"
  status=0
  "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=2048 -max_len=40000 -artifact_prefix="$findings/" \
    "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -ne 0 ]; then
    grep -E 'property failed|ERROR|SUMMARY|Test unit written' "$log" | head -20 || true
    for input in "$findings"/*; do
      [ -f "$input" ] && { echo "failing input $input:"; od -An -tx1 "$input" | head -40; }
    done
    echo "fuzz $target: FAILED after ${runs:-?} executions (log: $log)"
    exit 1
  fi
  echo "fuzz $target: ${runs:-?} executions in $seconds s, no finding"
done
