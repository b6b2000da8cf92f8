#!/usr/bin/env bash
# Builds the fuzz targets with clang in build/fuzz and runs each for
# FUZZ_SECONDS seconds (default 60), starting from the seeds in
# fuzz/corpus/<target>. Prints one line per target; any finding fails the run
# and leaves its input in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
out=build/fuzz

mkdir -p "$out"
cmake -S fuzz -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >"$out/cmake.log" 2>&1 ||
  { cat "$out/cmake.log"; exit 1; }
cmake --build "$out" >"$out/build.log" 2>&1 || { cat "$out/build.log"; exit 1; }
mkdir -p "$out/findings"

status=0
for target in number_value translate_evaluate evaluate_raw; do
  # Work on a copy of the seeds so that the run's finds stay out of the tree.
  work="$out/corpus/$target"
  mkdir -p "$work"
  cp -n fuzz/corpus/$target/* "$work/" 2>/dev/null || true
  log="$out/$target.log"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  if "$out/${target}_fuzz" "$work" "${dict[@]}" -max_total_time="$seconds" -max_len=4096 \
      -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$out/findings/$target-" >"$log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || echo "?")
    echo "fuzz $target: $runs runs in ${seconds}s, no findings"
  else
    echo "fuzz $target: FINDING (log $log)"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
