#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz: build/fuzz is the
# ordinary build's own fuzz folder, which a clang build there would replace)
# and runs each for SECONDS (default 60) over a working copy of its corpus.
# New inputs and anything found stay in a scratch folder; the repository is
# not touched.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets: asc scr csv spt run sna)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(asc scr csv spt run sna)
fi

# clang and its fuzzer runtime besides what the build needs.
./scripts/setup.sh clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLUMIX_FUZZ=ON \
  -DVOLUMIX_BUILD_GUI=OFF -DVOLUMIX_BUILD_BENCHMARKS=OFF -DVOLUMIX_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" \
  --target "${targets[@]/#/volumix_fuzz_}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/volumix-fuzz.XXXXXX")
# The harnesses hand some inputs to the loaders through a file; in memory
# that costs next to nothing, on a disk it can be most of the time.
harness_tmp=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  harness_tmp=/dev/shm
fi
echo "Working corpora and finds: $scratch"
found=0
for target in "${targets[@]}"; do
  work="$scratch/$target"
  mkdir -p "$work/corpus" "$work/finds"
  cp fuzz/corpus/"$target"/* "$work/corpus/"
  log="$work/fuzz.log"
  status=0
  # One process at a time; a case slower than 10 s counts as a hang.
  TMPDIR="$harness_tmp" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/fuzz/volumix_fuzz_$target" "$work/corpus" -max_total_time="$seconds" -timeout=10 \
    -artifact_prefix="$work/finds/" -print_final_stats=1 >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
  echo "$target: ${executions:-?} executions, ${coverage:-cov: ?}, corpus $(ls "$work/corpus" | wc -l) files"
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/finds")" ]; then
    found=1
    echo "$target: FOUND (exit $status), see $log"
    ls -l "$work/finds"
    grep -E -A 30 '^==[0-9]+==ERROR|runtime error|check failed|deadly signal|Timeout' "$log" | head -n 60 || true
  fi
done
exit "$found"
