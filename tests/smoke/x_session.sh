# Helpers for scripts that drive the real desktop program in a private X server, as a
# user would. Sourced; the caller sets "work" (a scratch folder) and calls start_x.
# After start_x: DISPLAY and HOME point into $work; app_pid names the program started
# with launch; "run" is its folder.

xvfb_pid=""
app_pid=""
wm_pid=""

stop_x() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  return 0
}

fail() { echo "FAILED: $*"; [ -f "${run:-}/out.log" ] && cat "$run/out.log"; exit 1; }

start_x() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  # The default source folder is the home folder; keep scans away from the real one.
  export HOME="$work/home"
  mkdir -p "$HOME"
}

# start_wm: a real window manager (openbox) on the display, as a user's desktop has;
# returns once it manages windows.
start_wm() {
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  fail "openbox did not start: $(cat "$work/openbox.log")"
}

# launch FOLDER ARGS...: starts the program copied into FOLDER, keeping its output.
launch() {
  run=$1
  shift
  "$run/tesselon" "$@" >"$run/out.log" 2>&1 &
  app_pid=$!
}

# wait_window NAME: waits until a top-level window of that name exists; prints its id.
wait_window() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# press NAME KEY: gives the window of that name the focus and presses KEY there.
press() {
  local id
  id=$(wait_window "$1") || fail "no '$1' window"
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  sleep 0.2
  xdotool key --clearmodifiers "$2"
}

# answer NAME: Return in the message box of that title, which picks its default button.
answer() {
  press "$1" Return
  # Gone once answered.
  for _ in $(seq 100); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "'$1' box still open after Return"
}

# finished: waits for the program to end by itself and checks its exit code.
finished() {
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=""
  [ "$rc" -eq 0 ] || fail "exit code $rc"
}

terminate() {
  kill -TERM "$app_pid"
  finished
}
