#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang (in build-fuzz) and runs each for the given number of seconds
# (default 20), starting from the seed corpus in fuzz/corpus. What a run finds new is kept in
# build-fuzz/corpus; a crash stops the script with the input saved beside it.
#   scripts/fuzz.sh            # about 20 s each, as ./test.sh does
#   scripts/fuzz.sh 1800       # a long run by hand
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVATREL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in fuzz_frame fuzz_engine fuzz_reports fuzz_records fuzz_files; do
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/crashes"
  echo "== $target: ${SECONDS_EACH} s"
  status=0
  "build-fuzz/fuzz/$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="build-fuzz/crashes/$target-" \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"build-fuzz/$target.log" 2>&1 || status=$?
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+ +DONE" "build-fuzz/$target.log" || true
  if [ "$status" -ne 0 ]; then
    grep -E -A25 "ERROR|invariant broken|runtime error" "build-fuzz/$target.log" | head -60
    echo "$target failed; the input is in build-fuzz/crashes/, the output in build-fuzz/$target.log"
    exit 1
  fi
done
