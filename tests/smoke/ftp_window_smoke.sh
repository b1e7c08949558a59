#!/usr/bin/env bash
# Window 3 through the real desktop program in a private X server: an FTP source in
# default.cfg, the FTP data button pressed with the mouse, the window checked on the
# screen (size, title) and photographed, then closed with Escape.
# Usage: ftp_window_smoke.sh BUILD_BIN_DIR [SCREENSHOT.png]
set -euo pipefail
bin_dir=$1
shot=${2:-}
title="Tesselon - v0.3f"

work=$(mktemp -d)
. "$(dirname "$0")/x_session.sh"
trap 'stop_x; rm -rf "$work"' EXIT
start_x
mkdir -p "$work/run"

cp "$bin_dir/tesselon" "$work/run/tesselon"
printf '%s' "$(printf 'x%.0s' $(seq 30))" >"$work/run/HayConsentimiento.dat"
printf '[ProcesosEntorno]\r\n{"LocalRemoto":"R","servidor":"ftp.example.invalid","puerto":"2121","usuario":"ana","RutaOrigenRemoto":"\\\\fotos","pasivo":1}\r\n' \
  >"$work/run/default.cfg"
launch "$work/run"

# The rescan question: Escape answers No, so no connection is tried.
press "Recontar nº de imágenes" Escape
main=$(wait_window "$title") || fail "main window never appeared"
sleep 1.5

# The FTP data button sits where the folder button does in a local source: 560,45 on
# the files tab of the panel at 10,55.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --sync $((X + 10 + 560 + 16)) $((Y + 55 + 30 + 45 + 15)) click 1
dialog=$(wait_window "Conexión FTP") || fail "window 3 did not open"
sleep 0.5
geometry=$(xwininfo -id "$dialog")
echo "$geometry" | grep -q 'Width: 612' || fail "unexpected width: $geometry"
echo "$geometry" | grep -q 'Height: 300' || fail "unexpected height: $geometry"
[ -n "$shot" ] && import -window root "$shot"
xdotool key --clearmodifiers Escape
for _ in $(seq 50); do
  xdotool search --onlyvisible --name "^Conexión FTP\$" >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name "^Conexión FTP\$" >/dev/null 2>&1 && fail "window 3 still open after Escape"

terminate
echo "FTP window smoke test passed"
