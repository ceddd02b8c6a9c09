#!/usr/bin/env bash
# Checks that each Windows DLL exports exactly its documented entry points (and DomaRaster's entry point), and
# that DomaUI.dll carries its resources (check-resources.sh).
set -euo pipefail
dir=$1
objdump=x86_64-w64-mingw32-objdump
fail=0

exports() {  # the names in a DLL's export table, sorted
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on{print $NF}' | sort
}

check() {  # dll, expected names...
  local dll=$1; shift
  local expected actual
  expected=$(printf '%s\n' "$@" | sort)
  actual=$(exports "$dll")
  if [ "$expected" != "$actual" ]; then
    echo "check-exports: $dll exports differ" >&2
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail=1
  else
    echo "check-exports: $(basename "$dll") exports exactly: $(echo $actual)" >&2
  fi
}

check "$dir/DomaRaster.dll" DllEntryPoint DrvQueryDriverInfo DrvEnableDriver DrvDisableDriver

# DllEntryPoint must be the DLL's entry point.
dump=$("$objdump" -p "$dir/DomaRaster.dll")
entry=$(awk '/AddressOfEntryPoint/{print $2}' <<<"$dump")
index=$(sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\] DllEntryPoint$/\1/p' <<<"$dump")
rva=$(sed -n "s/^[[:space:]]*\[[[:space:]]*$index\] +base\[[[:space:]]*[0-9]*\] \([0-9a-f]*\) Export RVA.*/\1/p" <<<"$dump")
if [ -z "$rva" ] || [ "$((16#$entry))" -ne "$((16#$rva))" ]; then
  echo "check-exports: DomaRaster.dll entry point ${entry:-?} is not DllEntryPoint (${rva:-not found})" >&2
  fail=1
else
  echo "check-exports: DomaRaster.dll entry point is DllEntryPoint" >&2
fi

if [ -f ui/DomaUI.def ]; then
  mapfile -t ui_names < <(awk 'f && NF{print $1} /^EXPORTS/{f=1}' ui/DomaUI.def)
  check "$dir/DomaUI.dll" "${ui_names[@]}"
fi

# DomaUI's dialogs and strings.
"$(dirname "$0")/check-resources.sh" "$dir" || fail=1
exit $fail
