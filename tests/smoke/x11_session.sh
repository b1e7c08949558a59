# Helpers for tests that drive the real desktop program in a private X server, the
# way a user or another program would. Sourced; the caller defines fail() and keeps
# the program's process id in app_pid.

xvfb_pid=""
app_pid=""

# stop_session: ends the program (when still running) and the server; for the EXIT trap.
stop_session() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}

# start_xvfb WORK_DIR: starts a private server (no TCP), exports DISPLAY, sets xvfb_pid.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$1/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$1/display")"
}

# wait_window NAME: waits until a top-level window of that name exists; prints its id.
wait_window() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# answer NAME: Return in the message box of that title, which picks its default button.
answer() {
  local id
  id=$(wait_window "$1") || fail "no '$1' box"
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  sleep 0.2
  xdotool key --clearmodifiers Return
  # Gone once answered.
  for _ in $(seq 100); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "'$1' box still open after Return"
}

# terminate: ends the program the way a session logout does (SIGTERM); it must exit 0.
terminate() {
  kill -TERM "$app_pid"
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=""
  [ "$rc" -eq 0 ] || fail "exit code $rc"
}
