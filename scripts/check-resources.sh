#!/usr/bin/env bash
# Checks that DomaUI.dll carries exactly the resources its resource script compiles to (dialog templates, icon and
# string table, read back from the DLL with the MinGW resource compiler), and the dialogs the driver opens by number.
set -euo pipefail
dir=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
windres=x86_64-w64-mingw32-windres
dll="$dir/DomaUI.dll"
# The DLL keeps no memory flags; everything else must read the same.
listing=$("$windres" -i "$dll" -O rc)
script=$("$windres" -I ui/resources -i ui/resources/DomaUI.rc -O rc | sed 's/ MOVEABLE PURE DISCARDABLE//; s/ MOVEABLE DISCARDABLE$//')
fail=0
if [ "$listing" != "$script" ]; then
  echo "check-resources: $dll differs from ui/resources/DomaUI.rc" >&2
  diff <(echo "$script") <(echo "$listing") >&2 || true
  fail=1
fi
for id in 102 104 105 107 108 109 110 111 112 113 116 117 123 124 129; do
  if ! grep -q "^$id DIALOGEX " <<<"$listing"; then
    echo "check-resources: $dll has no dialog $id" >&2
    fail=1
  fi
done
# The device sheet's push buttons show the DLL's own icon group.
if ! grep -q "^1002 14 " <<<"$listing"; then
  echo "check-resources: $dll has no icon group 1002" >&2
  fail=1
fi
if ! grep -q '"MSCTLS_TRACKBAR32"' <<<"$listing" || ! grep -q "InitCommonControlsEx" < <(x86_64-w64-mingw32-objdump -p "$dll"); then
  echo "check-resources: $dll has trackbars but does not initialise the common controls" >&2
  fail=1
fi
dialogs=$(grep -c ' DIALOGEX ' <<<"$listing" || true)
[ $fail -eq 0 ] && echo "check-resources: DomaUI.dll carries its $dialogs dialog templates, icon group 1002 and string table" >&2
exit $fail
