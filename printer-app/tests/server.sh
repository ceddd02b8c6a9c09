# Sourced by the printer application's test scripts: starts tolma-printer-app on a free loopback port with a
# temporary work folder for its socket, state, spool and log, and adds card printers with the file device.
# Needs $app, $helper and $here; sets $work, $port, $base (the printers' URI prefix) and $server_pid.

work=$(mktemp -d "${TMPDIR:-/tmp}/printer-app-test.XXXXXX")
# In a sanitizer build, what the framework keeps until exit is not the application's leak.
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# The server's socket, state file and spool all live in the work folder.
export TMPDIR=$work HOME=$work XDG_CONFIG_HOME=$work
server_pid=""
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  # As root the framework's local socket is in /run (otherwise in the work folder).
  if [ "$(id -u)" = 0 ]; then rm -f "/run/tolma-printer-app-test$$.sock"; fi
  if [ "${KEEP_WORK:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# start_server PRINTER...: starts the server and adds the printers, each writing to $work/out/PRINTER.
start_server() {
  port=$("$helper" free-port)
  base=ipp://127.0.0.1:$port/ipp/print
  # Under a name of its own: the framework names its local socket after the program (as root: in /run).
  mkdir -p "$work/bin"
  ln -s "$app" "$work/bin/tolma-printer-app-test$$"
  app=$work/bin/tolma-printer-app-test$$
  "$app" server -o server-name=127.0.0.1 -o server-port="$port" -o spool-directory="$work/spool" \
    -o state-file="$work/state" -o log-file="$work/server.log" -o log-level=debug >"$work/server.out" 2>&1 &
  server_pid=$!
  local up=0
  for _ in $(seq 100); do
    if ipptool -q "ipp://127.0.0.1:$port/ipp/system" "$here/system.test" 2>/dev/null; then
      up=1
      break
    fi
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$up" = 0 ]; then
    echo "the server did not start:"
    cat "$work/server.out"
    exit 1
  fi
  for p in "$@"; do
    mkdir -p "$work/out/$p"
    "$app" add -d "$p" -m tolma_q47x -v "tolma-file://$work/out/$p" || { echo "cannot add printer $p"; exit 1; }
  done
}

# stop_server: stops the server as a service manager would; fails when a sanitizer build reported errors.
stop_server() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
  if grep -q "ERROR: AddressSanitizer\|ERROR: LeakSanitizer\|runtime error:" "$work/server.out"; then
    grep -m5 -A8 "ERROR\|runtime error" "$work/server.out"
    return 1
  fi
}
