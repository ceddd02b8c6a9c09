#!/usr/bin/env bash
# The printer application over IPP: starts tolma-printer-app on a free loopback port with a temporary state
# folder, adds card printers with the file device and talks to them with ipptool. Checks the capabilities,
# that PNG and PWG raster jobs give the stream tolma-print gives for the same image and settings, that job
# and printer settings change the stream as they should, that bad input ends only its own job, that
# concurrent jobs all print, and that the server's memory stays flat over 100 jobs.
# Usage: printer_app_test.sh BUILD_DIR SOURCE_DIR      (exit 77: skipped, ipptool missing)
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
app=$build/tolma-printer-app
print=$build/tolma-print
inspect=$build/tolma-inspect
helper=$build/printer-app/printer-app-test-helper
here=$src/printer-app/tests
sample=$src/tools/samples/sample-card.png

if ! command -v ipptool >/dev/null 2>&1; then
  echo "SKIPPED: ipptool is not installed (Debian package cups-ipp-utils; scripts/setup.sh installs it)"
  exit 77
fi

started=$(date +%s)
# shellcheck source=server.sh
. "$here/server.sh"

failures=0
pass() { echo "ok   $1"; }
fail() {
  echo "FAIL $1${2:+: $2}"
  failures=$((failures + 1))
}

start_server card card2
mkdir -p "$work/ref" "$work/docs" "$work/tests"

# --- IPP helpers --------------------------------------------------------------------------------------
# Writes an ipptool test that prints $filename with document-format $format and the job attributes given
# as ATTR lines (one argument each).
job_test() {
  local file=$1
  shift
  {
    echo '{'
    echo '  NAME "Print-Job"'
    echo '  OPERATION Print-Job'
    echo '  GROUP operation-attributes-tag'
    echo '  ATTR charset attributes-charset utf-8'
    echo '  ATTR naturalLanguage attributes-natural-language en'
    echo '  ATTR uri printer-uri $uri'
    echo '  ATTR name requesting-user-name tester'
    echo '  ATTR mimeMediaType document-format $format'
    echo '  GROUP job-attributes-tag'
    for a in "$@"; do echo "  ATTR $a"; done
    echo '  FILE $filename'
    echo '  STATUS successful-ok'
    echo '  EXPECT job-id OF-TYPE integer'
    echo '}'
  } >"$file"
}

# submit PRINTER FILE FORMAT [ATTR...]: prints and echoes the job id.
submit() {
  local printer=$1 file=$2 format=$3
  shift 3
  local t
  t=$(mktemp "$work/tests/job.XXXXXX")
  job_test "$t" "$@"
  { ipptool ${IPPTOOL_FLAGS:-} -tv -d filename="$file" -d format="$format" "$base/$printer" "$t" 2>&1 || true; } |
    sed -n 's/^ *job-id (integer) = \([0-9]*\)$/\1/p' | head -n 1
}

# job_state PRINTER ID: "STATE|REASONS|MESSAGE" of a job.
job_state() {
  ipptool -tv -d job_id="$2" "$base/$1" "$here/job-state.test" 2>/dev/null | awk -F' = ' '
    /job-state \(enum\)/ {s=$2} /job-state-reasons/ {r=$2} /job-state-message/ {m=$2}
    END {print s "|" r "|" m}'
}

# wait_job PRINTER ID: waits until the job has ended; echoes "STATE|REASONS|MESSAGE".
wait_job() {
  local state
  for _ in $(seq 600); do
    state=$(job_state "$1" "$2")
    case $state in completed* | aborted* | canceled*)
      echo "$state"
      return
      ;;
    esac
    sleep 0.05
  done
  echo "timeout|$state"
}

# print_and_compare NAME DOCUMENT FORMAT "tolma-print options" [ATTR...]: the job's stream must equal
# tolma-print's for the same image and options, and read back without errors.
print_and_compare() {
  local name=$1 doc=$2 format=$3 options=$4
  shift 4
  local id state ref=$work/ref/$name.prn
  # shellcheck disable=SC2086
  "$print" "$sample" $options -q -o "$ref" 2>"$work/ref/$name.err" || { fail "$name" "tolma-print failed: $(cat "$work/ref/$name.err")"; return; }
  id=$(submit card "$doc" "$format" "$@")
  [ -n "$id" ] || { fail "$name" "Print-Job refused"; return; }
  state=$(wait_job card "$id")
  case $state in completed*) ;; *) fail "$name" "job $id ended $state"; return ;; esac
  if ! cmp -s "$ref" "$work/out/card/job-$id.prn"; then
    fail "$name" "job $id's stream differs from tolma-print $options"
    return
  fi
  if ! "$inspect" "$work/out/card/job-$id.prn" >"$work/ref/$name.txt" 2>&1; then
    fail "$name" "tolma-inspect finds errors in job $id's stream"
    return
  fi
  pass "$name (job $id, $(wc -c <"$ref") bytes, equal to tolma-print${options:+ $options})"
}

# expect_abort NAME PRINTER DOCUMENT FORMAT REASON [ATTR...]: the job ends aborted with REASON among its
# job-state-reasons and a message, and the next job prints.
expect_abort() {
  local name=$1 printer=$2 doc=$3 format=$4 reason=$5
  shift 5
  local id state
  id=$(submit "$printer" "$doc" "$format" "$@")
  [ -n "$id" ] || { fail "$name" "Print-Job refused"; return; }
  state=$(wait_job "$printer" "$id")
  case $state in
    aborted*"$reason"*)
      local message=${state##*|}
      [ -n "$message" ] || { fail "$name" "no job-state-message"; return; }
      pass "$name (job $id aborted: ${state#*|})"
      ;;
    *) fail "$name" "job $id ended $state, not aborted with $reason" ;;
  esac
}

# --- capabilities -------------------------------------------------------------------------------------
if ipptool -t "$base/card" "$here/attributes.test" >"$work/attributes.txt" 2>&1; then
  pass "Get-Printer-Attributes answers the card medium, 300 dpi, sides, colour modes and vendor attributes"
else
  fail "Get-Printer-Attributes" "$(grep -E 'FAIL|EXPECTED|GOT' "$work/attributes.txt" | head -5)"
fi

# --- documents: PNG and PWG raster give tolma-print's stream -----------------------------------------
"$helper" pwg "$sample" "$work/docs/sample.pwg"
print_and_compare png "$sample" image/png ""
print_and_compare pwg "$work/docs/sample.pwg" image/pwg-raster ""
print_and_compare octet-stream "$sample" application/octet-stream ""
"$helper" pwg "$sample" "$work/docs/sample.urf" apple
print_and_compare apple-raster "$work/docs/sample.urf" image/urf ""
# The printer's own command stream goes out as it is; a damaged one does not.
print_and_compare command-stream "$work/ref/png.prn" application/vnd.tolma-q47x-stream ""
# Monochrome: a colour PNG printed in monochrome, and a grey raster page, are the grey picture that
# tolma-print reads from a grey PNG.
"$helper" grey "$sample" "$work/docs/grey.png"
"$helper" pwg "$work/docs/grey.png" "$work/docs/grey.pwg" grey
sample_colour=$sample
sample=$work/docs/grey.png
print_and_compare monochrome "$sample_colour" image/png "" "keyword print-color-mode monochrome"
print_and_compare grey-pwg "$work/docs/grey.pwg" image/pwg-raster ""
sample=$sample_colour
# Two raster pages: front and back of a two-sided card, or two one-sided cards.
"$helper" pwg "$sample" "$work/docs/two-pages.pwg" "" 2
print_and_compare two-pages "$work/docs/two-pages.pwg" image/pwg-raster "--back $sample" \
  "keyword sides two-sided-long-edge"
id=$(submit card "$work/docs/two-pages.pwg" image/pwg-raster)
state=$(wait_job card "$id")
if [[ $state == completed* ]] && "$inspect" "$work/out/card/job-$id.prn" 2>&1 | grep -q "cards ejected: 2, 2 with panel data"; then
  pass "two one-sided pages print two cards (job $id)"
else
  fail "two one-sided pages" "job $id ended $state or did not print two cards"
fi
# JPEG: the framework's own conversion to the card medium's raster, a portrait page.
"$helper" jpeg "$sample" "$work/docs/sample.jpg"
id=$(submit card "$work/docs/sample.jpg" image/jpeg)
state=$(wait_job card "$id")
if [[ $state == completed* ]] && "$inspect" "$work/out/card/job-$id.prn" >"$work/ref/jpeg.txt" 2>&1; then
  pass "JPEG job prints a stream that reads back whole (job $id)"
else
  fail "JPEG job" "job $id ended $state"
fi

# --- settings change the stream as they should --------------------------------------------------------
print_and_compare two-sided "$sample" image/png "--two-sided" "keyword sides two-sided-long-edge"
print_and_compare two-sided-mode "$sample" image/png "--two-sided --two-sided-mode 2" \
  "keyword sides two-sided-long-edge" "integer tolma-two-sided-mode 2"
print_and_compare short-edge "$sample" image/png "--two-sided --rotate180 back" "keyword sides two-sided-short-edge"
print_and_compare overlay "$sample" image/png "--front-overlay area --front-overlay-area 100,100,400,300" \
  "keyword tolma-front-overlay area" "text tolma-front-overlay-area 100,100,400,300"
print_and_compare no-overlay "$sample" image/png "--front-overlay none" "keyword tolma-front-overlay none"
print_and_compare black-panel "$sample" image/png "--black-panel always" "keyword tolma-black-panel always"
print_and_compare black-panel-never "$sample" image/png "--black-panel never" "keyword tolma-black-panel never"
print_and_compare track2 "$sample" image/png "--track2 0047123456781229" "text tolma-track-2 0047123456781229"
print_and_compare tracks "$sample" image/png "--track1 ABC123 --track3 987654" \
  "text tolma-track-1 ABC123" "text tolma-track-3 987654"
print_and_compare copies "$sample" image/png "--copies 3" "integer copies 3"
print_and_compare head-and-colour "$sample" image/png "--head-contrast-o 7 --cc-intensity-r -40 --packed" \
  "integer tolma-head-contrast-o 7" "integer tolma-cc-intensity-r -40" "boolean tolma-packed-panels true"
print_and_compare rotate "$sample" image/png "--rotate180 front" "keyword tolma-rotate-180 front"
# Each of these streams differs from the plain one.
for name in two-sided overlay black-panel track2; do
  if cmp -s "$work/ref/png.prn" "$work/ref/$name.prn"; then fail "$name changes the stream" "it does not"; fi
done
grep -q "track 2: 0047123456781229" "$work/ref/track2.txt" || fail "track 2 in the magnetic block" "the inspector sees none"

# The track data never reaches the log (debug level) or the web interface in clear.
if cat "$work"/server.log* | grep -q "0047123456781229\|ABC123\|987654"; then
  fail "track data stays out of the log" "$(cat "$work"/server.log* | grep -m1 "0047123456781229\|ABC123\|987654")"
else
  pass "track data stays out of the log at debug level"
fi
if command -v curl >/dev/null 2>&1; then
  web=$(curl -s "http://127.0.0.1:$port/card/jobs"; curl -s "http://127.0.0.1:$port/card/"; curl -s "http://127.0.0.1:$port/logfile.txt")
  if grep -q "0047123456781229" <<<"$web"; then fail "track data stays out of the web interface"; else
    pass "track data stays out of the web interface"; fi
fi

# --- printer settings: the installed ribbon and the model text ---------------------------------------
if ipptool -t -d ribbon=kdo -d model=Q47x-RKA "$base/card" "$here/set-printer.test" >"$work/set.txt" 2>&1; then
  print_and_compare ribbon-kdo "$sample" image/png "--ribbon KdO --model Q47x-RKA"
  expect_abort "two-sided on a one-sided model" card "$sample" image/png document-unprintable-error \
    "keyword sides two-sided-long-edge"
  ipptool -t -d ribbon=ymcko -d model="Q47x RKB" "$base/card" "$here/set-printer.test" >>"$work/set.txt" 2>&1 ||
    fail "Set-Printer-Attributes back to YMCKO"
else
  fail "Set-Printer-Attributes of the ribbon and model" "$(grep -E 'FAIL|GOT' "$work/set.txt" | head -3)"
fi

# --- bad input ends its own job with a reason; the next job prints ------------------------------------
head -c 20000 "$sample" >"$work/docs/truncated.png"
head -c $(($(wc -c <"$work/docs/sample.pwg") / 2)) "$work/docs/sample.pwg" >"$work/docs/truncated.pwg"
head -c 4096 /dev/urandom >"$work/docs/noise.bin"
"$helper" png-header 100000 100000 "$work/docs/huge.png"
long_track=$(printf 'X%.0s' $(seq 45))
expect_abort "corrupt PNG" card "$work/docs/truncated.png" image/png document-format-error
expect_abort "PNG claiming 100000 x 100000 pixels" card "$work/docs/huge.png" image/png document-format-error
# Sent with a length: truncated chunked raster keeps the framework waiting for its 60-second timeout.
IPPTOOL_FLAGS=-L expect_abort "truncated PWG raster" card "$work/docs/truncated.pwg" image/pwg-raster document-format-error
head -c 300000 "$work/ref/png.prn" >"$work/docs/cut.prn"
expect_abort "damaged command stream" card "$work/docs/cut.prn" application/vnd.tolma-q47x-stream document-format-error
expect_abort "unknown data as octet-stream" card "$work/docs/noise.bin" application/octet-stream document-format-error
expect_abort "head setting out of range" card "$sample" image/png errors-detected "integer tolma-head-contrast-o 500"
expect_abort "unknown black panel use" card "$sample" image/png errors-detected "keyword tolma-black-panel sometimes"
expect_abort "overlay area outside the card" card "$sample" image/png errors-detected \
  "text tolma-front-overlay-area 0,0,2000,639"
expect_abort "track 2 longer than 39 characters" card "$sample" image/png errors-detected \
  "text tolma-track-2 $long_track"
if cat "$work"/server.log* | grep -q "$long_track"; then fail "a refused track stays out of the log"; fi
# The framework takes a document of any format with the request and ends the job when it meets it.
echo "A card, please." >"$work/docs/note.txt"
expect_abort "a text document" card "$work/docs/note.txt" text/plain aborted-by-system
if ipptool -t -d filename="$sample" "$base/card" "$here/refused.test" >"$work/refused.txt" 2>&1; then
  pass "100000 copies are refused with the request"
else
  fail "refused requests" "$(grep -E 'FAIL|EXPECTED|GOT' "$work/refused.txt" | head -4)"
fi
print_and_compare "after the bad jobs" "$sample" image/png ""

# --- several jobs at once -----------------------------------------------------------------------------
concurrent_ids=()
for i in $(seq 8); do
  printer=card
  [ $((i % 2)) -eq 0 ] && printer=card2
  (submit "$printer" "$sample" image/png >"$work/tests/concurrent-$i") &
done
wait_all_ok=1
for job in $(jobs -p); do
  [ "$job" = "$server_pid" ] || wait "$job" || wait_all_ok=0
done
bad=0
for i in $(seq 8); do
  printer=card
  [ $((i % 2)) -eq 0 ] && printer=card2
  id=$(cat "$work/tests/concurrent-$i")
  state=$(wait_job "$printer" "$id")
  case $state in completed*) ;; *) bad=$((bad + 1)) ;; esac
  cmp -s "$work/ref/png.prn" "$work/out/$printer/job-$id.prn" || bad=$((bad + 1))
done
if [ "$bad" -eq 0 ] && [ "$wait_all_ok" -eq 1 ]; then pass "8 jobs submitted at once on two printers all print tolma-print's stream";
else fail "concurrent jobs" "$bad jobs failed or differ"; fi

# --- memory over 100 jobs -----------------------------------------------------------------------------
rss() { awk '/^VmRSS/ {print $2}' "/proc/$server_pid/status"; }
hwm() { awk '/^VmHWM/ {print $2}' "/proc/$server_pid/status"; }
run_jobs() {  # count
  local last=""
  for _ in $(seq "$1"); do last=$(submit card "$work/docs/sample.pwg" image/pwg-raster); done
  wait_job card "$last" >/dev/null
}
run_jobs 20
rss_after_20=$(rss)
run_jobs 80
rss_after_100=$(rss)
growth=$((rss_after_100 - rss_after_20))
echo "     server memory: resident $rss_after_20 kB after 20 jobs, $rss_after_100 kB after 100, peak $(hwm) kB"
if ldd "$build/tolma-printer-app" 2>/dev/null | grep -q libasan; then
  echo "     (no memory check in an AddressSanitizer build: its quarantine holds on to freed memory)"
elif [ "$growth" -lt 8192 ]; then
  pass "memory stays flat over 100 jobs (grew $growth kB from job 20 to job 100)"
else
  fail "memory over 100 jobs" "grew $growth kB from job 20 to job 100"
fi

if ! kill -0 "$server_pid" 2>/dev/null; then
  fail "the server is still running at the end"
elif ! stop_server >"$work/sanitizer.txt"; then
  fail "the server runs clean under the sanitizers" "$(head -5 "$work/sanitizer.txt")"
fi
echo "printer application tests: $failures failed, $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]
