#!/usr/bin/env bash
# The printer application on this machine: builds tolma-printer-app, starts it on localhost with a card
# printer "card" whose device is a folder (each job's command stream becomes a file there), prints the
# sample card to it with an IPP client (ipptool) and says where the stream and the web interface are.
# The server keeps running; run the script again to restart it, or stop it with the command it prints.
# Usage: scripts/printer-app.sh [FOLDER]   (default: build/printer-app; PORT=8631 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
folder=${1:-$root/build/printer-app}
port=${PORT:-8631}
mkdir -p "$folder/out"
folder=$(cd "$folder" && pwd)

scripts/setup.sh

echo "== building tolma-printer-app and tolma-inspect (build/release)" >&2
if [ -f build/release/CMakeCache.txt ]; then
  cmake -S . -B build/release >/dev/null
else
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build/release -j "$(nproc)" --target tolma-printer-app tolma-inspect
app=$root/build/release/tolma-printer-app

# A server this script started before is stopped first.
if [ -f "$folder/server.pid" ] && kill -0 "$(cat "$folder/server.pid")" 2>/dev/null; then
  echo "== stopping the server started before (process $(cat "$folder/server.pid"))" >&2
  kill "$(cat "$folder/server.pid")"
  sleep 1
fi

echo "== starting the printer application on http://localhost:$port/" >&2
"$app" server -o server-name=localhost -o server-port="$port" -o spool-directory="$folder/spool" \
  -o state-file="$folder/state" -o log-file="$folder/server.log" -o log-level=info >"$folder/server.out" 2>&1 &
echo $! >"$folder/server.pid"
uri=ipp://localhost:$port/ipp/print/card
for _ in $(seq 50); do
  ipptool -q "ipp://localhost:$port/ipp/system" printer-app/tests/system.test 2>/dev/null && break
  if ! kill -0 "$(cat "$folder/server.pid")" 2>/dev/null; then
    echo "the server did not start (is port $port taken? PORT=... chooses another):" >&2
    cat "$folder/server.out" "$folder/server.log" >&2 2>/dev/null || true
    exit 1
  fi
  sleep 0.2
done
if ! "$app" printers 2>/dev/null | grep -qx card; then
  "$app" add -d card -m tolma_q47x -v "tolma-file://$folder/out"
fi

echo "== printing tools/samples/sample-card.png with ipptool (black panel always, a track-2 text)" >&2
cat >"$folder/print.test" <<'EOF'
{
	NAME "Print the sample card"
	OPERATION Print-Job
	GROUP operation-attributes-tag
	ATTR charset attributes-charset utf-8
	ATTR naturalLanguage attributes-natural-language en
	ATTR uri printer-uri $uri
	ATTR name requesting-user-name $user
	ATTR mimeMediaType document-format image/png
	ATTR name job-name sample-card.png
	GROUP job-attributes-tag
	ATTR keyword tolma-black-panel always
	ATTR text tolma-track-2 0047123456781229
	FILE $filename
	STATUS successful-ok
	EXPECT job-id OF-TYPE integer
}
EOF
job=$(ipptool -tv -d filename="$root/tools/samples/sample-card.png" "$uri" "$folder/print.test" |
  sed -n 's/^ *job-id (integer) = \([0-9]*\)$/\1/p' | head -n 1)
[ -n "$job" ] || { echo "the printer refused the job" >&2; exit 1; }
stream=$folder/out/job-$job.prn
for _ in $(seq 100); do
  [ -f "$stream" ] && break
  sleep 0.1
done
[ -f "$stream" ] || { echo "job $job printed nothing; see $folder/server.log" >&2; exit 1; }

# Pictures of the web interface, when a headless browser is at hand (Debian's chromium; optional).
shots=""
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -n "$browser" ]; then
  for page in card/ card/printing; do
    name=$folder/web-$(basename "$page").png
    timeout 60 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1280,1700 \
      --screenshot="$name" "http://localhost:$port/$page" >/dev/null 2>&1 && shots="$shots $name"
  done
fi

echo
build/release/tolma-inspect "$stream" | sed -n '/^== job summary/,/^== structural errors/p'
echo
echo "Job $job's command stream: $stream ($(wc -c <"$stream") bytes)"
echo "Web interface:             http://localhost:$port/ (printing defaults, ribbon and model: http://localhost:$port/card/printing)"
echo "Printer URI:               $uri"
[ -z "$shots" ] || echo "Web interface pictures:   $shots"
echo "Log:                       $folder/server.log"
echo "Print more:                $app submit -d card -o tolma-black-panel=always CARD.png"
echo "Stop the server:           kill $(cat "$folder/server.pid")"
