#!/usr/bin/env bash
# Starts the real desktop program in a private X server, the way a user or another
# program would: a first start answering the consent and rescan questions with Return,
# prepared starts with switches, and a start ended while the consent question waits.
# Each run is ended the way a session logout does (SIGTERM); the exit code and the
# files beside the program are checked.
# Usage: desktop_smoke.sh BUILD_BIN_DIR [SCREENSHOT.png]
set -euo pipefail
bin_dir=$1
shot=${2:-}
title="Tesselon - v0.3f"

work=$(mktemp -d)
. "$(dirname "$0")/x_session.sh"
cleanup() {
  stop_x
  rm -rf "$work"
}
trap cleanup EXIT
start_x

# start NAME ARGS...: runs a copy of the program in a folder of its own ($run), since
# it keeps its settings and consent files beside itself.
start() {
  local folder="$work/$1"
  shift
  mkdir -p "$folder"
  cp "$bin_dir/tesselon" "$folder/tesselon"
  if [ -n "${consent:-}" ]; then printf '%s' "$consent" >"$folder/HayConsentimiento.dat"; fi
  launch "$folder" "$@"
}

# The main window is idle when no question is waiting and the status line is quiet;
# give the start's previews a moment to finish.
wait_main() {
  wait_window "$title" >/dev/null || fail "main window never appeared"
  sleep 1.5
}

# 1. A user's first start: consent asked and given, rescan of the (empty) home folder.
consent="" start first
answer "ATENCIÓN/PLEASE NOTE"
answer "Recontar nº de imágenes"
wait_main
geometry=$(xwininfo -name "$title")
echo "$geometry" | grep -q 'Width: 1024' || fail "unexpected width: $geometry"
terminate
[ "$(stat -c %s "$run/HayConsentimiento.dat")" -eq 84 ] || fail "consent file is not 84 bytes"
grep -q "Consent accepted on date (dd/mm/yyyy): $(date +%d/%m/%Y)" "$run/HayConsentimiento.dat" ||
  fail "consent file without today's date"
[ ! -e "$run/default.cfg" ] || fail "default.cfg written without the lock"

# 2. A prepared, locked job: source with blanks, destination, lock 1. The rescan is
#    answered Yes, so the folder is scanned and previewed; the exit saves the settings.
consent=$(printf 'x%.0s' $(seq 30))
src="$work/my photos"
mkdir -p "$src"
convert -size 640x400 gradient:'#2050c0-#f0c040' "$src/sunset.jpg"
convert -size 300x300 plasma:fractal "$src/texture.png"
start locked1 "/FORIGEN=$src" "/FDESTINO=$work/out" "/LOCKED=1"
answer "Recontar nº de imágenes"
wait_main
[ -n "$shot" ] && import -window "$title" "$shot"
terminate
[ -s "$run/default.cfg" ] || fail "locked with 1 but default.cfg not written"
grep -q '"RutaOrigenLocal":"'"$src"'/"' "$run/default.cfg" || fail "source folder not saved: $(cat "$run/default.cfg")"
grep -q '"locked":1' "$run/default.cfg" || fail "lock not saved"

# 3. Locked with 2: the controls are locked, but nothing is saved at the exit.
start locked2 "/FORIGEN=$src" "/LOCKED=2"
answer "Recontar nº de imágenes"
wait_main
terminate
[ ! -e "$run/default.cfg" ] || fail "locked with 2 but default.cfg written"

# 4. Ended while the consent question waits: refused, nothing written at all.
consent="" start refused "/LOCKED=1"
wait_window "ATENCIÓN/PLEASE NOTE" >/dev/null || fail "no consent question"
terminate
[ -z "$(ls "$run" | grep -v -e '^tesselon$' -e '^out.log$')" ] || fail "files written after refusal: $(ls "$run")"

echo "desktop smoke test passed"
