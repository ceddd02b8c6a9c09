#!/usr/bin/env bash
# Instructions per card side and per one-card job, counted by callgrind: repeatable however loaded the machine is.
# Usage: bench/instructions.sh [BUILD_DIR]   (a build with the benchmarks, RelWithDebInfo or Release)
set -euo pipefail

build=${1:-build/rel}
bench="$build/bench/side_bench"
[[ -x $bench ]] || { echo "no $bench: build the side_bench target first" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Counts the instructions inside the given driver functions during one iteration of a benchmark.
count() {
  local filter=$1
  shift
  local toggles=()
  for f in "$@"; do toggles+=("--toggle-collect=$f"); done
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --collect-atstart=no "${toggles[@]}" \
    "$bench" --benchmark_filter="^$filter\$" --benchmark_min_time=0 >/dev/null 2>&1
  callgrind_annotate "$out/cg" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }'
}

side=('DrvStartPage*' 'DrvSendPage*')
job=('DrvEnablePDEV*' 'DrvCompletePDEV*' 'DrvEnableSurface*' 'DrvStartDoc*' 'DrvStartPage*' 'DrvCopyBits*'
  'DrvSendPage*' 'DrvEndDoc*' 'DrvDisableSurface*' 'DrvDisablePDEV*')

printf '%-45s %15s\n' benchmark instructions
for args in ribbon:2/black:1/packed:0 ribbon:2/black:2/packed:0 ribbon:2/black:1/packed:1 ribbon:7/black:0/packed:0; do
  printf '%-45s %15s\n' "BM_CardSide/$args" "$(count "BM_CardSide/$args" "${side[@]}")"
done
for args in ribbon:2/black:1/packed:0 ribbon:7/black:0/packed:0; do
  printf '%-45s %15s\n' "BM_CardJob/$args" "$(count "BM_CardJob/$args" "${job[@]}")"
done
