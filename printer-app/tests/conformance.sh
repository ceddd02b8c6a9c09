#!/usr/bin/env bash
# Runs the IPP conformance tests that ipptool ships (IPP/1.1, IPP/2.0 and IPP Everywhere, one run of
# ipp-everywhere.test, which includes the other two) against a card printer of tolma-printer-app, prints
# which pass, and fails when a test fails that conformance-expected.txt does not list with its reason, or
# passes although listed. Print tests whose sample documents Debian does not ship are skipped by ipptool.
# Usage: conformance.sh BUILD_DIR SOURCE_DIR      (exit 77: skipped, ipptool or its tests missing)
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
app=$build/tolma-printer-app
helper=$build/printer-app/printer-app-test-helper
here=$src/printer-app/tests
tests=/usr/share/cups/ipptool

if ! command -v ipptool >/dev/null 2>&1 || [ ! -f "$tests/ipp-everywhere.test" ]; then
  echo "SKIPPED: ipptool and its tests are not installed (Debian package cups-ipp-utils; scripts/setup.sh installs it)"
  exit 77
fi

# shellcheck source=server.sh
. "$here/server.sh"
start_server card
sleep 1.1  # printer-up-time must be above 0

( cd "$tests" && ipptool -t -f "$src/tools/samples/sample-card.png" "$base/card" ipp-everywhere.test ) \
  >"$work/conformance.txt" 2>&1 || true

# One line per test: FILE|NAME|RESULT.
awk '
  /^"[^"]*":$/ { file = substr($0, 2, length($0) - 3); next }
  /\[(PASS|FAIL|SKIP)\]$/ {
    result = $NF; name = $0; sub(/[ \t]*\[(PASS|FAIL|SKIP)\]$/, "", name); sub(/^[ \t]+/, "", name)
    print file "|" name "|" substr(result, 2, 4)
  }' "$work/conformance.txt" >"$work/results.txt"

status=0
[ -s "$work/results.txt" ] || { echo "ipptool gave no results:"; cat "$work/conformance.txt"; exit 1; }
for file in ipp-1.1.test ipp-2.0.test ipp-everywhere.test; do
  total=$(grep -c "^$file|" "$work/results.txt" || true)
  passed=$(grep -c "^$file|.*|PASS$" "$work/results.txt" || true)
  echo "$file: $passed of $total pass"
done
while IFS='|' read -r file name result; do
  reason=$(awk -F'|' -v f="$file" -v n="$name" '$1 == f && index(n, $2) == 1 { print $3 }' "$here/conformance-expected.txt")
  if [ "$result" = FAIL ]; then
    if [ -n "$reason" ]; then
      echo "  fails as expected: $file: $name"
      echo "      why: $reason"
    else
      echo "  FAILS: $file: $name"
      sed -n "/$(printf '%s' "${name:0:40}" | sed 's/[][\/.*^$]/\\&/g')/,/^    [A-Z]/p" "$work/conformance.txt" | sed -n '2,12p'
      status=1
    fi
  elif [ -n "$reason" ]; then
    echo "  PASSES although listed as failing: $file: $name (update conformance-expected.txt)"
    status=1
  fi
done <"$work/results.txt"
stop_server || { echo "the server reported sanitizer errors"; status=1; }
exit "$status"
