#!/usr/bin/env bash
# Checks the formatting, builds everything and runs every test: plain build, AddressSanitizer/UBSan build, ThreadSanitizer build,
# Release build of the rendering tests, Windows cross build with its export check, the DLLs run under Wine, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

echo "== C++ formatting" >&2
scripts/check-format.sh

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
echo "== ThreadSanitizer build: rendering tests, concurrent contexts included" >&2
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLMA_TSAN=ON -DTOLMA_BENCH=OFF >/dev/null
cmake --build build/tsan -j "$jobs" --target raster_tests
TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/raster_tests --gtest_brief=1
echo "== Release build (-O3, as the Windows DLLs are built): rendering tests" >&2
cmake -S . -B build/optimised -DCMAKE_BUILD_TYPE=Release -DTOLMA_BENCH=OFF >/dev/null
cmake --build build/optimised -j "$jobs" --target raster_tests
build/optimised/tests/raster_tests --gtest_brief=1
echo "== Windows DLLs (MinGW-w64) and their exports" >&2
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"
scripts/check-exports.sh build/windows
echo "== the Windows DLLs under Wine (scripts/windows-check.sh, results in build/windows-check)" >&2
scripts/windows-check.sh build/windows-check
echo "== the Windows driver package (scripts/package.sh) and its INF check under Wine" >&2
scripts/package.sh build/windows build/release build/package
WINEPREFIX=$PWD/build/windows-check/prefix scripts/check-package.sh build/windows
echo "== fuzz targets, ${TOLMA_FUZZ_SECONDS:-45} s each" >&2
scripts/fuzz.sh "${TOLMA_FUZZ_SECONDS:-45}"
echo "== all tests passed" >&2
