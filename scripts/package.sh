#!/usr/bin/env bash
# Assembles the Windows driver package: the INF and every file it names, in one folder and one ZIP
# named after the INF's DriverVer. Usage: scripts/package.sh [WINDOWS_BUILD] [NATIVE_BUILD] [OUT]
# The DLLs come from the MinGW build; the data files (the same bytes on every platform) from the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
windows=${1:-build/windows}
native=${2:-build/release}
out=${3:-build/package}
inf=package/TolmaQ47x.inf

version=$(sed -n 's/^DriverVer=[^,]*,\([0-9.]*\).*/\1/p' "$inf" | tr -d '\r')
[ -n "$version" ] || { echo "package: no DriverVer version in $inf" >&2; exit 1; }
name="TolmaQ47x-Driver-$version-x64"

# The files to ship: those listed in the INF's [SourceDisksFiles.amd64] section.
mapfile -t files < <(awk '/^\[/{on = ($0 ~ /^\[SourceDisksFiles\.amd64\]/); next} on && /=/{sub(/=.*/, ""); print}' "$inf" | tr -d '\r')
[ ${#files[@]} -gt 0 ] || { echo "package: $inf lists no files" >&2; exit 1; }

rm -rf "${out:?}/$name" "$out/$name.zip"
mkdir -p "$out/$name"
cp "$inf" "$out/$name/"
missing=0
for f in "${files[@]}"; do
  if [ -f "$windows/$f" ]; then cp "$windows/$f" "$out/$name/"
  elif [ -f "$native/$f" ]; then cp "$native/$f" "$out/$name/"
  else echo "package: $f is named by the INF but was built nowhere ($windows, $native)" >&2; missing=1
  fi
done
[ $missing -eq 0 ] || exit 1

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "package: $out/$name.zip" >&2
(cd "$out/$name" && for f in *; do printf '  %10d  %s\n' "$(stat -c %s "$f")" "$f"; done) >&2
