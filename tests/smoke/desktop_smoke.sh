#!/usr/bin/env bash
# Starts the real desktop program in a private X server, waits for its main window,
# ends it the way a session logout does, and checks its exit code and its files.
# Usage: desktop_smoke.sh BUILD_BIN_DIR [SCREENSHOT.png]
set -euo pipefail
bin_dir=$1
shot=${2:-}

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program keeps default.cfg beside itself: run a copy in a folder of its own.
cp "$bin_dir/tesselon" "$work/tesselon"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

"$work/tesselon" >"$work/out.log" 2>&1 &
app_pid=$!

found=""
for _ in $(seq 200); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Tesselon - v0.3f"'; then found=1; break; fi
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$found" ]; then
  echo "main window never appeared"; cat "$work/out.log"; exit 1
fi
geometry=$(xwininfo -name "Tesselon - v0.3f")
echo "$geometry" | grep -q 'Width: 1024' || { echo "unexpected width"; echo "$geometry"; exit 1; }
sleep 1.5
[ -n "$shot" ] && import -window root "$shot"

kill -TERM "$app_pid"
rc=0
wait "$app_pid" || rc=$?
app_pid=""
if [ "$rc" -ne 0 ]; then echo "exit code $rc"; cat "$work/out.log"; exit 1; fi
if [ -e "$work/default.cfg" ]; then echo "default.cfg written without the lock"; exit 1; fi
echo "desktop smoke test passed"
