#!/usr/bin/env bash
# Window 3 choosing SFTP, used with the mouse and the keyboard as a new user would, in
# the real desktop program under openbox in a private X server, against Debian's sshd
# on 127.0.0.1 (tests/support/sshd_server.sh; root only, else skipped with 77):
#  1. SFTP (SSH) clicked, the server's port and the password typed, Chequear Conexión:
#     the unknown host key is asked about, with the server's SHA256 fingerprint;
#  2. Sí: the connection succeeds and the key is kept in the program folder's
#     known_hosts, so the next test asks nothing;
#  3. that key replaced by another: the next test warns that the key changed and logs
#     nothing in.
# Usage: sftp_window_smoke.sh BUILD_BIN_DIR [SHOT_FOLDER]
# With SHOT_FOLDER, the window and each box are photographed there.
set -euo pipefail
bin_dir=$1
shots=${2:-}
title="Tesselon - v0.3f"
support="$(cd "$(dirname "$0")/../support" && pwd)"

work=$(mktemp -d)
chmod 0711 "$work"  # the SFTP account reads the served folder below it
. "$(dirname "$0")/x_session.sh"
cleanup() {
  exec 9>&- 2>/dev/null || true  # ends sshd
  stop_x
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "$shots" ] && mkdir -p "$shots"
shoot() { [ -n "$shots" ] && import -window root "$shots/$1" || true; }

mkdir -p "$work/sshd" "$work/served/fotos"
convert -size 64x48 xc:red "$work/served/fotos/a.jpg"
mkfifo "$work/sshd-in"
"$support/sshd_server.sh" "$work/sshd" <"$work/sshd-in" >"$work/sshd-out" &
exec 9>"$work/sshd-in"
for _ in $(seq 200); do grep -q -e '^READY' -e '^SKIP' "$work/sshd-out" 2>/dev/null && break; sleep 0.05; done
if ! grep -q '^READY' "$work/sshd-out"; then
  echo "skipped: $(cat "$work/sshd-out")"
  exit 77
fi
value() { sed -n "s/^$1 //p" "$work/sshd-out"; }
port=$(value PORT)
password=$(value PASSWORD)
key=$(value KEY | cut -d' ' -f2)
chown -R tesselon-sftp "$work/served"

start_x
start_wm
run="$work/run"
mkdir -p "$run"
cp "$bin_dir/tesselon" "$run/tesselon"
printf '%s' "$(printf 'x%.0s' $(seq 30))" >"$run/HayConsentimiento.dat"
# A plain FTP source, as every settings file written before the choice existed.
printf '[ProcesosEntorno]\r\n{"LocalRemoto":"R","servidor":"127.0.0.1","puerto":"21","usuario":"tesselon-sftp","RutaOrigenRemoto":"%s/served/fotos/","pasivo":1}\r\n' \
  "$work" >"$run/default.cfg"
# A parameter, so that the start makes no update check.
launch "$run" "/FCONFIG=$run/default.cfg"
press "Recontar nº de imágenes" Escape
main=$(wait_window "$title") || fail "no main window"
sleep 1

# Client areas as xwininfo gives them (xdotool's geometry is off by the frame under a
# window manager).
origin() {
  local info
  info=$(xwininfo -id "$1")
  x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
}
# The FTP data button sits where the folder button does in a local source: 560,45 on
# the files tab of the panel at 10,55.
origin "$main"
xdotool mousemove --sync $((x + 10 + 560 + 16)) $((y + 55 + 30 + 45 + 15)) click 1
dialog=$(wait_window "Conexión FTP") || fail "window 3 did not open"
sleep 0.5
origin "$dialog"
# A --sync move to where the pointer already is waits for a motion that never comes.
click_at() {
  xdotool mousemove 0 0
  xdotool mousemove --sync $((x + $1)) $((y + $2))
  sleep 0.2
  xdotool click 1
  sleep 0.2
}
# type_into X Y TEXT: replaces the text of the field at X, Y.
type_into() { click_at "$1" "$2"; xdotool key --clearmodifiers ctrl+a BackSpace; xdotool type --delay 20 "$3"; }

click_at 490 110                       # SFTP (SSH)
type_into 560 40 "$port"               # Puerto
type_into 200 100 "$password"          # Contraseña
shoot window3-sftp-filled.png

# 1. The unknown key is asked about; No is the default.
click_at 332 265                       # Chequear Conexión
wait_window "Clave del servidor desconocida" >/dev/null || fail "no host key question"
sleep 0.5
shoot sftp-unknown-host-key.png
[ -s "$run/known_hosts" ] && fail "a key was kept before the user accepted it"

# 2. Sí (Left moves from No to Sí): connected, and the key kept.
press "Clave del servidor desconocida" Left
xdotool key space
wait_window "Conexión con éxito" >/dev/null || fail "no success box after accepting the key"
sleep 0.5
shoot sftp-host-key-accepted.png
press "Conexión con éxito" Return
grep -q "\[127.0.0.1\]:$port ssh-ed25519 $key" "$run/known_hosts" || fail "key not kept: $(cat "$run/known_hosts")"
sleep 0.3
click_at 332 265
wait_window "Conexión con éxito" >/dev/null || fail "a known key was not accepted at once"
press "Conexión con éxito" Return

# 3. Another key under the same name: refused with a warning, nothing asked.
ssh-keygen -q -t ed25519 -N "" -f "$work/other" >/dev/null
other=$(cut -d' ' -f2 "$work/other.pub")
printf '[127.0.0.1]:%s ssh-ed25519 %s\n' "$port" "$other" >"$run/known_hosts"
sleep 0.3
click_at 332 265
wait_window "¡ATENCIÓN! La clave del servidor ha cambiado" >/dev/null || fail "no changed-key warning"
sleep 0.5
shoot sftp-changed-host-key.png
press "¡ATENCIÓN! La clave del servidor ha cambiado" Return
grep -q "$other" "$run/known_hosts" || fail "the kept key was replaced"

xdotool key --clearmodifiers Escape
terminate
echo "SFTP window smoke test passed"
