#!/usr/bin/env bash
# The desktop program under a real window manager (openbox in a private X server), used
# with the mouse and the keyboard as a new user would:
#  1. PROCESAR double-clicked over a folder holding a file that is no image: the batch
#     runs to its end (the second click does not cancel it) and the end box is the
#     warning that names the failure;
#  2. a folder whose only entry cannot be read: the preview panes say so;
#  3. an FTP source (pyftpdlib on 127.0.0.1, sending slowly): the progress window is a
#     dialog without minimise and maximise, closing it cancels the download, the
#     download's box says so in its title, the preview shows the first image afterwards,
#     and closing the main window during a download ends the program once the file in
#     hand is complete.
# Usage: batch_window_smoke.sh BUILD_BIN_DIR SOURCE_DIR [SHOT_FOLDER]
# With SHOT_FOLDER, screenshots of the end box, the placeholder and the preview after a
# download are saved there. $TESSELON_SMOKE_PHOTOS names a folder of JPEG photos to
# serve instead of generated pictures.
set -euo pipefail
bin_dir=$1
source_dir=$2
shots=${3:-}
title="Tesselon - v0.3f"

work=$(mktemp -d)
. "$(dirname "$0")/x_session.sh"
ftp_in=""
cleanup() {
  [ -n "$ftp_in" ] && exec {ftp_in}>&- || true
  stop_x
  rm -rf "$work"
}
trap cleanup EXIT
start_x
start_wm
[ -n "$shots" ] && mkdir -p "$shots"

consent=$(printf 'x%.0s' $(seq 30))

# prepare NAME ENVIRONMENT-JSON: a copy of the program with consent and a default.cfg.
prepare() {
  local folder="$work/$1"
  mkdir -p "$folder"
  cp "$bin_dir/tesselon" "$folder/tesselon"
  printf '%s' "$consent" >"$folder/HayConsentimiento.dat"
  printf '[ProcesosEntorno]\r\n%s\r\n[ProcesosTexto]\r\n{"SoloMarcadeAgua":1}\r\n' "$2" >"$folder/default.cfg"
  echo "$folder"
}

# at X Y [CLICKS]: clicks in the main window at client coordinates X, Y. (xwininfo
# gives the client area's place; xdotool's geometry is off by the frame under a window
# manager.)
at() {
  local main info x y
  main=$(wait_window "$title") || fail "no main window"
  info=$(xwininfo -id "$main")
  x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
  xdotool mousemove --sync $((x + $1)) $((y + $2))
  sleep 0.2
  if [ "${3:-1}" -eq 2 ]; then xdotool click --repeat 2 --delay 90 1; else xdotool click 1; fi
}

# pixel X Y: the colour at client coordinates X, Y of the main window, as rrggbb.
pixel() {
  local main
  main=$(wait_window "$title")
  import -window "$main" "$work/window.png"
  convert "$work/window.png" -crop "1x1+$1+$2" -depth 8 txt:- | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr A-F a-f
}

shoot() { [ -n "$shots" ] && import -window root "$shots/$1" || true; }

# Where the controls are, in the main window's client area.
procesar="915 615"        # PROCESAR (and CANCELAR in its place)
next="382 387"            # ">" above the source pane
download="735 137"        # the download button of an FTP source
pane_corner="30 410"      # inside the source pane, near its top left corner

# --- 1. A double click on PROCESAR; one file is no image. ---
src="$work/fotos"
mkdir -p "$src"
convert -size 1600x1200 plasma:fractal -quality 90 "$src/foto1.jpg"
for i in $(seq 2 10); do cp "$src/foto1.jpg" "$src/foto$i.jpg"; done
printf 'x' >"$src/falso.jpg"
run=$(prepare batch "{\"LocalRemoto\":\"L\",\"RutaOrigenLocal\":\"$src/\",\"RutaImagenesDestino\":\"$work/salida/\",\"ExtensionesActivas\":\"JPG|JPEG\"}")
launch "$run"
answer "Recontar nº de imágenes"
wait_window "$title" >/dev/null || fail "main window never appeared"
sleep 1.5
at $procesar 2
wait_window "Fin de proceso con errores" >/dev/null || fail "no warning at the end: $(xdotool search --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' '|')"
xdotool search --name '^Información$' >/dev/null 2>&1 && fail "the double click cancelled the batch"
sleep 0.3
shoot end-box-with-failures.png
answer "Fin de proceso con errores"
[ "$(ls "$work/salida" | wc -l)" -eq 10 ] || fail "not every image converted: $(ls "$work/salida")"
terminate

# --- 2. The only entry cannot be read: the panes say so. ---
rm -f "$src"/foto*.jpg
convert -size 800x600 gradient:'#204080-#e0c060' "$src/bien.jpg"
run=$(prepare unreadable "{\"LocalRemoto\":\"L\",\"RutaOrigenLocal\":\"$src/\",\"RutaImagenesDestino\":\"$work/salida/\",\"ExtensionesActivas\":\"JPG|JPEG\"}")
launch "$run"
answer "Recontar nº de imágenes"
wait_window "$title" >/dev/null || fail "main window never appeared"
sleep 1.5
# One of the two entries is shown; ">" brings the other. The placeholder is dark grey.
before=$(pixel $pane_corner)
at $next
sleep 1
after=$(pixel $pane_corner)
if [ "$before" = 2b2b2b ]; then placeholder=$before; else placeholder=$after; fi
[ "$placeholder" = 2b2b2b ] || fail "no placeholder for the unreadable entry: $before then $after"
[ "$after" = 2b2b2b ] || at $next
sleep 1
[ "$(pixel $pane_corner)" = 2b2b2b ] || fail "placeholder not on screen"
shoot unreadable-entry.png
terminate

# --- 3. An FTP source, sent slowly. ---
served="$work/servidor"
mkdir -p "$served/fotos"
if [ -n "${TESSELON_SMOKE_PHOTOS:-}" ]; then
  find "$TESSELON_SMOKE_PHOTOS" -maxdepth 1 -name '*.jpg' | sort | head -3 | while read -r f; do cp "$f" "$served/fotos/"; done
else
  convert -size 2000x1500 plasma:fractal -quality 92 "$served/fotos/foto1.jpg"
  for i in 2 3; do convert "$served/fotos/foto1.jpg" -rotate $((90 * i)) -quality 92 "$served/fotos/foto$i.jpg"; done
fi
coproc FTP { exec /usr/bin/python3 "$source_dir/tests/support/ftp_server.py" "$served" ana "" 400000; }
ftp_in=${FTP[1]}
read -r -t 10 port <&"${FTP[0]}" || fail "FTP server did not start"
downloads="$work/bajadas"
run=$(prepare remote "{\"LocalRemoto\":\"R\",\"servidor\":\"127.0.0.1\",\"puerto\":\"$port\",\"usuario\":\"ana\",\"pasivo\":1,\"RutaOrigenRemoto\":\"/fotos/\",\"RutaImagenesDestino\":\"$work/salida-ftp/\",\"ExtensionesActivas\":\"JPG|JPEG\"}")
launch "$run"
answer "Recontar nº de imágenes"
wait_window "$title" >/dev/null || fail "main window never appeared"
sleep 1.5

# download: presses the download button and chooses the download folder.
start_download() {
  at $download
  local chooser
  chooser=$(wait_window "Elige la carpeta donde se descargarán las imágenes") || fail "no folder chooser"
  mkdir -p "$downloads"
  xdotool windowfocus --sync "$chooser" 2>/dev/null || true
  sleep 0.3
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 5 "$downloads"
  xdotool key --clearmodifiers Return
  progress=$(wait_window "Progreso") || fail "no progress window"
}

# 3a. A whole download: the preview shows the first image afterwards.
start_download
# A dialog that asks for no minimise, maximise or close function (Motif hints: the
# functions word is the second; 0x01 all, 0x08 minimise, 0x10 maximise, 0x20 close).
# Openbox keeps its buttons whatever a window asks; its close must then cancel (3b).
props=$(xprop -id "$progress" _NET_WM_WINDOW_TYPE _MOTIF_WM_HINTS _NET_WM_ALLOWED_ACTIONS)
grep -q '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG' <<<"$props" || fail "progress window is no dialog: $props"
functions=$(sed -n 's/^_MOTIF_WM_HINTS.* = \(0x[0-9a-f]*\), \(0x[0-9a-f]*\),.*/\1 \2/p' <<<"$props")
[ -n "$functions" ] && [ $(( ${functions% *} & 1 )) -eq 1 ] && [ $(( ${functions#* } & 0x39 )) -eq 0 ] ||
  fail "progress window asks for buttons: $props"
grep -q MAXIMIZE <<<"$props" && fail "progress window can be maximised: $props"
wait_window "Descarga desde FTP OK" >/dev/null || fail "no end box after the download"
sleep 0.5
[ "$(pixel $pane_corner)" != 2b2b2b ] || fail "the preview does not show the downloaded image"
shoot download-preview.png
press "Descarga desde FTP OK" Escape

# 3b. The progress window closed with the window manager's key: the download stops.
rm -rf "$downloads"
start_download
xdotool windowfocus --sync "$progress" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4
answer "Información"
wait_window "Descarga desde FTP cancelada" >/dev/null || fail "a cancelled download is not titled so"
press "Descarga desde FTP cancelada" Escape

# 3c. The main window closed during a download: the program ends, nothing half-written.
rm -rf "$downloads"
start_download
main=$(wait_window "$title")
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowactivate "$main" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4
for _ in $(seq 300); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "closing the main window during a download did not end the program"
finished
got=$(cd "$downloads" && find . -type f | wc -l)
# Every transfer in hand stops with the program: what is left are whole files, fewer
# than the server's (none at all when the close came before the first one ended).
[ "$got" -lt 3 ] || fail "expected the download stopped before its end, found $got"
(cd "$downloads" && find . -type f) | while read -r f; do
  cmp -s "$downloads/$f" "$served/$f" || fail "$f differs from the server's"
done

echo "batch window smoke test passed"
