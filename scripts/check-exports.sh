#!/usr/bin/env bash
# Checks the Windows DLLs of a build folder: each exports exactly its documented entry points, its PE entry point is
# the C/C++ run-time start-up (which then calls DllMain), and it imports only from system DLLs a printer driver may use.
# Prints every DLL's entry point and import list, and checks DomaUI.dll's resources (check-resources.sh).
set -euo pipefail
dir=$(realpath "$1")
cd "$(dirname "$0")/.."
objdump=x86_64-w64-mingw32-objdump
nm=x86_64-w64-mingw32-nm
fail=0

# System DLLs a printer driver may import (case ignored). The MinGW run-time is linked in statically, so its DLLs
# (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) and anything else are refused.
allowed_imports="kernel32.dll gdi32.dll user32.dll advapi32.dll winspool.drv msvcrt.dll comctl32.dll comdlg32.dll
compstui.dll shell32.dll shfolder.dll shlwapi.dll ole32.dll oleaut32.dll version.dll"

say() { echo "check-exports: $*" >&2; }
bad() {
  say "$*"
  fail=1
}

exports() {  # the names in a DLL's export table, sorted
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on{print $NF}' | sort
}

check_exports() {  # dll, expected names...
  local dll=$1
  shift
  local expected actual
  expected=$(printf '%s\n' "$@" | sort)
  actual=$(exports "$dll")
  if [ "$expected" != "$actual" ]; then
    bad "$(basename "$dll") exports differ (< missing, > extra):"
    diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' >&2 || true
  else
    say "$(basename "$dll") exports exactly: $(echo $actual)"
  fi
}

# The PE entry point must be MinGW's DllMainCRTStartup: it starts the C and C++ run-time (constructors of global
# objects, the exception tables) and then calls DllMain. Found through the DLL's symbol table, which the build keeps.
check_entry() {  # dll
  local dll=$1 name dump entry base startup at
  name=$(basename "$dll")
  dump=$("$objdump" -p "$dll")
  entry=$(awk '/^AddressOfEntryPoint/{print $2}' <<<"$dump")
  base=$(awk '/^ImageBase/{print $2}' <<<"$dump")
  startup=$("$nm" "$dll" 2>/dev/null | awk '$3=="DllMainCRTStartup"{print $1}')
  at=$("$nm" "$dll" 2>/dev/null | awk -v e="$(printf '%x' $((16#$base + 16#$entry)))" \
    '{a=$1; sub(/^0+/, "", a)} !found && a==e && $2 ~ /[Tt]/ {print $3; found=1}')
  say "$name entry point: RVA $entry (${at:-no symbol})"
  if [ -z "$startup" ]; then
    bad "$name has no symbol table or no DllMainCRTStartup: the entry point cannot be checked"
  elif [ "$((16#$startup))" -ne "$((16#$base + 16#$entry))" ]; then
    bad "$name entry point is ${at:-RVA $entry}, not the run-time start-up DllMainCRTStartup"
  fi
}

check_imports() {  # dll
  local dll=$1 name imports lib
  name=$(basename "$dll")
  imports=$("$objdump" -p "$dll" | awk '/DLL Name:/{print $3}')
  say "$name imports from: $(echo $imports)"
  while read -r lib; do
    [ -n "$lib" ] || continue
    if ! grep -qiw -- "$(tr 'A-Z' 'a-z' <<<"$lib")" <<<"$allowed_imports"; then
      bad "$name imports from $lib, which is not a system DLL a printer driver may use"
    fi
  done <<<"$imports"
  # One line a DLL with the functions taken from it.
  "$objdump" -p "$dll" | awk '/DLL Name:/{if (line) print line; lib=$3; line="  " lib ":"; next}
    lib && /^\t[0-9a-f]+\t +[0-9]+ /{line=line " " $3} END{if (line) print line}' >&2
}

check_dll() {  # dll, expected exports...
  local dll=$1
  if [ ! -f "$dll" ]; then
    bad "$dll is missing"
    return
  fi
  check_exports "$@"
  check_entry "$dll"
  check_imports "$dll"
}

check_dll "$dir/DomaRaster.dll" DllEntryPoint DrvQueryDriverInfo DrvEnableDriver DrvDisableDriver
mapfile -t ui_names < <(awk 'f && NF{print $1} /^EXPORTS/{f=1}' ui/DomaUI.def)
check_dll "$dir/DomaUI.dll" "${ui_names[@]}"

# DomaUI's dialogs and strings.
scripts/check-resources.sh "$dir" || fail=1

if [ $fail -ne 0 ]; then
  say "FAILED"
else
  say "both DLLs passed"
fi
exit $fail
