#!/usr/bin/env bash
# Runs the real Windows DLLs under Wine on a virtual display and checks what they do:
#   raster: DomaRaster.dll prints the documents of tests/windows/raster_documents.txt (over the host engine and
#           spooler compiled into raster_check.exe) and every stream must equal, byte for byte, the stream the Linux
#           build's tolma-print wrote for the same document.
#   ui:     DomaUI.dll answers the spooler's and applications' window-less calls (capabilities, DEVMODE conversion,
#           document properties) as the Linux build does (ui_check.exe over the host spooler).
#   dialogs: DomaUI.dll's document and device property sheets hand over the expected option items, and every dialog
#           their push buttons, the ribbon item's extended button and About open is shown, captured into
#           RESULTS_DIR/screens/NAME.png and closed (dialog_check.exe over the host spooler); every control id their
#           procedures use must be in their templates, and the DLL's icon must load.
# Usage: scripts/windows-check.sh [RESULTS_DIR]   (default build/windows-check)
# It uses the Windows build in build/windows and the Linux build in build/release (each configured and built here
# when missing; TOLMA_WINDOWS_BUILD and TOLMA_LINUX_BUILD name others). Results: RESULTS_DIR/linux (reference
# streams), RESULTS_DIR/wine (the DLL's streams), RESULTS_DIR/logs (every step's output), RESULTS_DIR/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-build/windows-check}")
windows=$(realpath -m "${TOLMA_WINDOWS_BUILD:-build/windows}")
linux=$(realpath -m "${TOLMA_LINUX_BUILD:-build/release}")
jobs=${TOLMA_JOBS:-$(nproc)}
started=$SECONDS

scripts/setup.sh
mkdir -p "$out/logs"
logs=$out/logs
say() { echo "windows-check: $*" >&2; }

# Runs a step with a time limit, its output in a log; on failure shows the log's end.
step() {  # name, seconds, command...
  local name=$1 seconds=$2
  shift 2
  if ! timeout -k 10 "$seconds" "$@" >"$logs/$name.log" 2>&1; then
    say "$name failed or took longer than $seconds s; the end of $logs/$name.log:"
    tail -n 30 "$logs/$name.log" >&2
    return 1
  fi
}

# The Linux half: reference streams and the jobs tolma-print ran.
if [ ! -f "$linux/CMakeCache.txt" ]; then
  cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
step linux-build 1200 cmake --build "$linux" -j "$jobs" --target windows_raster_jobs windows_ui_calls driver_data
step linux-references 300 "$linux/tests/windows_raster_jobs" tests/windows/raster_documents.txt "$out"
step linux-ui-calls 60 sh -c '"$1" "$2" >"$3"' - "$linux/tests/windows_ui_calls" "$linux/Doma.dat" "$out/linux/ui-calls.txt"

# The DLLs and the check programs (MinGW's POSIX-thread compilers: the host layer they compile in needs std::mutex).
if [ ! -f "$windows/CMakeCache.txt" ]; then
  cmake -S . -B "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
step windows-build 1200 cmake --build "$windows" -j "$jobs" --target DomaRaster DomaUI
cmake -S tests/windows -B "$out/programs" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64-posix.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
step check-programs 1200 cmake --build "$out/programs" -j "$jobs"

# Wine: one fresh prefix a run, prepared quietly before the first program; a virtual display for the windows.
export WINEPREFIX=$out/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
rm -rf "$WINEPREFIX"
display=
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=$n
    break
  fi
done
[ -n "$display" ] || {
  say "no free X display number"
  exit 1
}
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=:$display
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
wine_started=$SECONDS
step wineboot 300 wineboot -i
# No window manager runs on the virtual display: Wine draws the title bars and frames itself, so the screenshots
# show them.
step wine-settings 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f
# Wine's own fonts (Tahoma for the dialogs' "MS Shell Dlg", Marlett for the title bars' buttons) in the prefix, where
# every Wine build looks for them.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || say "Wine's fonts are missing"
say "Wine prefix ready in $((SECONDS - wine_started)) s"

# Windows paths for Wine: the whole file system is its drive Z:.
winpath() { echo "Z:${1//\//\\}"; }

passed=0
failed=0
summary=$out/summary.txt
: >"$summary"
result() {  # status, text
  echo "$1 $2" >>"$summary"
  if [ "$1" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); say "FAILED: $2"; fi
}

# DomaRaster.dll: every document, then each stream against the Linux one.
rm -rf "$out/wine"
if step raster-check 600 wine "$out/programs/raster_check.exe" "$(winpath "$windows/DomaRaster.dll")" \
  "$(winpath "$out/jobs")" "$(winpath "$out/wine")"; then
  result ok "raster_check.exe printed every document"
else
  result failed "raster_check.exe did not print every document (logs/raster-check.log)"
fi
for reference in "$out"/linux/*.prn; do
  name=$(basename "$reference")
  for dir in "$out/wine" "$out/wine/x87-24bit"; do
    what="${dir#"$out"/}/$name"
    if [ ! -f "$dir/$name" ]; then
      result failed "$what: no stream"
    elif difference=$(cmp "$reference" "$dir/$name" 2>&1); then
      result ok "$what: identical to linux/$name ($(stat -c %s "$reference") bytes)"
    else
      result failed "$what differs from linux/$name: $difference"
    fi
  done
done

# DomaUI.dll: the window-less calls of the spooler and applications, against the Linux transcript.
if step ui-check 120 wine "$out/programs/ui_check.exe" "$(winpath "$windows/DomaUI.dll")" "$linux/Doma.dat" \
  "$(winpath "$out/wine/ui-calls.txt")"; then
  if difference=$(cmp "$out/linux/ui-calls.txt" "$out/wine/ui-calls.txt" 2>&1); then
    result ok "wine/ui-calls.txt: DomaUI's window-less calls answer as on Linux ($(wc -l <"$out/linux/ui-calls.txt") calls)"
  else
    result failed "wine/ui-calls.txt differs from linux/ui-calls.txt: $difference"
  fi
else
  result failed "ui_check.exe failed (logs/ui-check.log)"
fi

# DomaUI.dll: both property sheets' option items, and every dialog they open, shown, captured and closed.
rm -rf "$out/screens"
mkdir -p "$out/screens"
if step dialog-check 600 wine "$out/programs/dialog_check.exe" "$(winpath "$windows/DomaUI.dll")" "$linux/Doma.dat" \
  "$(winpath "$out/screens")"; then
  result ok "dialog_check.exe: both sheets' items as expected; every control id used in its template; $(ls "$out/screens" | grep -vc "^icon-") dialog screenshots and the icon in screens/"
else
  result failed "dialog_check.exe failed (logs/dialog-check.log)"
fi
grep '^FAILED' "$logs/dialog-check.log" >&2 || true

say "results in $out (summary.txt, logs/); took $((SECONDS - started)) s"
echo "windows-check: $passed passed, $failed failed" >&2
[ "$failed" -eq 0 ]
