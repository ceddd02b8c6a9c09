#!/usr/bin/env bash
# Checks the Windows driver package with Windows' own INF parser: tolma-inf-check (a MinGW program using
# setupapi) runs under Wine on the package folder. Usage: scripts/check-package.sh [WINDOWS_BUILD] [PACKAGE_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
windows=${1:-build/windows}
folder=${2:-$(ls -d build/package/TolmaQ47x-Driver-*-x64 2>/dev/null | tail -n 1)}
[ -d "$folder" ] || { echo "check-package: no package folder (run scripts/package.sh first)" >&2; exit 1; }
command -v wine >/dev/null || { echo "check-package: wine is missing (scripts/setup.sh installs it)" >&2; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
timeout 300 wine "$windows/tolma-inf-check.exe" "$(winpath "$folder")" TolmaQ47x.inf "Tolma Q47x Card Printer" 2>/dev/null
