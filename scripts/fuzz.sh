#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a given time (default 60 s).
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
scripts/setup.sh
cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTOLMA_FUZZ=ON \
  -DTOLMA_BENCH=OFF -DTOLMA_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^ *tolma_fuzz_target(\(fuzz_[a-z_]*\).*/\1/p' fuzz/CMakeLists.txt)
  [ -f fuzz/fuzz_textout.cpp ] || targets=("${targets[@]/fuzz_textout}")
fi
cmake --build build/fuzz -j "$(nproc)" --target "${targets[@]}"
status=0
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  work=build/fuzz/corpus/$target
  mkdir -p "$work"
  [ -d "fuzz/corpus/$target" ] && cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  echo "== $target for ${seconds}s" >&2
  if ! build/fuzz/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
      -artifact_prefix=build/fuzz/"$target"- "$work" 2>build/fuzz/"$target".log; then
    echo "fuzz: $target found a failure; see build/fuzz/$target.log" >&2
    tail -n 40 build/fuzz/"$target".log >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|cov: " build/fuzz/"$target".log | tail -n 2 >&2 || true
done
exit $status
