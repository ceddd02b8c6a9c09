#!/usr/bin/env bash
# Builds everything and runs every test: plain build, sanitizer build, Windows cross build with its export check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

build_and_test() {  # folder, extra CMake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== plain build and tests" >&2
build_and_test build/release
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests" >&2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 build_and_test build/asan -DTOLMA_SANITIZE=ON -DTOLMA_BENCH=OFF
echo "== Windows DLLs (MinGW-w64) and their exports" >&2
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"
scripts/check-exports.sh build/windows
echo "== all tests passed" >&2
