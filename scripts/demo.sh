#!/usr/bin/env bash
# The main job: builds the tools, prints the bundled sample card through the driver (tolma-print, YMCKO
# ribbon) into a printer command stream, and inspects that stream (tolma-inspect): listing, job summary,
# every panel as a PNG and a colour preview of the printed card.
# Usage: scripts/demo.sh [OUTPUT_FOLDER]   (default: build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:-$root/build/demo}
mkdir -p "$out"
out=$(cd "$out" && pwd)

scripts/setup.sh

echo "== building tolma-print, tolma-inspect and the driver (build/release)" >&2
# A plain Release build; a folder configured before (scripts/test.sh makes it RelWithDebInfo) is reused as it is.
if [ -f build/release/CMakeCache.txt ]; then
  cmake -S . -B build/release >/dev/null
else
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build/release -j "$(nproc)" --target tolma-print tolma-inspect

echo "== printing tools/samples/sample-card.png on a YMCKO ribbon" >&2
rm -rf "$out/panels" "$out/preview" "$out/sample-card.prn" "$out/sample-card.txt"
build/release/tolma-print tools/samples/sample-card.png --ribbon YMCKO --black-panel always \
  --track2 0047123456781229 -o "$out/sample-card.prn"

echo "== inspecting the stream" >&2
status=0
build/release/tolma-inspect "$out/sample-card.prn" --panels "$out/panels" --preview "$out/preview" \
  >"$out/sample-card.txt" || status=$?

echo
sed -n '/^== job summary/,/^== structural errors/p' "$out/sample-card.txt"
echo
echo "Results in $out:"
echo "  sample-card.prn  the printer command stream ($(wc -c <"$out/sample-card.prn") bytes)"
echo "  sample-card.txt  its command listing, job summary and structural errors"
echo "  panels/          every panel as a PNG: $(cd "$out/panels" && ls | tr '\n' ' ')"
echo "  preview/         the card as it will look, in colour: $(cd "$out/preview" && ls | tr '\n' ' ')"
exit "$status"
