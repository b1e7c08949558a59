#!/usr/bin/env bash
# The online update of the real desktop program, in a private X server and a private
# program folder, against hosts started here on 127.0.0.1: a newer build is fetched,
# swapped in and started with "-update", with default.cfg holding the settings; a
# build with a wrong checksum and one that is not there (404) leave the old program in
# place, runnable, after "Error Actualizando" and "Salir". The same install over
# verified HTTPS needs no checksum.
# Usage: self_update.sh BUILD_BIN_DIR SOURCE_DIR [SCREENSHOT.png]
set -euo pipefail
bin_dir=$1
source_dir=$2
shot=${3:-}
newer=$(( $(grep -o '"[0-9]*"' "$source_dir/src/update/update_check/build_stamp.h" | tr -d '"') + 1 ))

work=$(mktemp -d)
[ -n "$shot" ] && rm -f "$shot"
. "$(dirname "$0")/x_session.sh"
server_pids=()
cleanup() {
  stop_x
  for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
start_x

# serve ROOT [TLS]: starts the test server on ROOT; sets base.
serve() {
  local root=$1 tls=${2:-} extra=()
  if [ -n "$tls" ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
      -keyout "$work/key.pem" -out "$work/cert.pem" -subj /CN=127.0.0.1 \
      -addext subjectAltName=IP:127.0.0.1 2>/dev/null
    extra=(--cert "$work/cert.pem" --key "$work/key.pem")
  fi
  /usr/bin/python3 "$source_dir/tests/support/http_test_server.py" --root "$root" "${extra[@]}" \
    >"$root.port" &
  server_pids+=($!)
  for _ in $(seq 100); do [ -s "$root.port" ] && break; sleep 0.1; done
  base="$([ -n "$tls" ] && echo https || echo http)://127.0.0.1:$(cut -d' ' -f2 "$root.port")/"
}

# The new build: a program that notes how it was started.
served="$work/served"
mkdir -p "$served/.soft/.Tesselon" "$served/files"
printf '#!/bin/sh\necho "$*" > "$(dirname "$0")/started.txt"\n' >"$served/files/tesselon"
sha=$(sha256sum "$served/files/tesselon" | cut -d' ' -f1)
serve "$served"
export TESSELON_PRIMARY_URL=$base TESSELON_FALLBACK_URL=http://127.0.0.1:1/

# prepare NAME VERSION_LINE: a program folder of its own, with consent given and
# default.cfg asking for the check at start-up, and the version file the host serves.
prepare() {
  folder="$work/$1"
  mkdir -p "$folder"
  cp "$bin_dir/tesselon" "$folder/tesselon"
  printf '%084d' 0 >"$folder/HayConsentimiento.dat"
  printf '[Config]\r\n{"Cancelado":0,"autoUpdate":1}\r\n' >"$folder/default.cfg"
  printf '%s\r\n' "$2" >"$served/.soft/.Tesselon/lastversion.dat"
}

# refused: the update fails; the user reads the error, leaves window 4, and the
# program ends as it was.
refused() {
  answer "Recontar nº de imágenes"
  wait_window "Error Actualizando" >/dev/null || fail "no error box"
  [ -n "$shot" ] && [ ! -s "$shot" ] && import -window root "$shot"
  answer "Error Actualizando"
  press "Actualización OnLine" Escape
  finished
  cmp -s "$bin_dir/tesselon" "$folder/tesselon" || fail "the program was changed"
  [ -x "$folder/tesselon" ] || fail "the program lost its execute permission"
  [ ! -e "$folder/deleteme.now" ] || fail "deleteme.now after a refused update"
  [ -z "$(ls -A "$folder" | grep -v -e '^tesselon$' -e '^HayConsentimiento.dat$' -e '^default.cfg$' -e '^out.log$')" ] ||
    fail "files left behind: $(ls -A "$folder")"
}

# installed: the update goes through and the new build is started with -update.
installed() {
  answer "Recontar nº de imágenes"
  finished
  cmp -s "$served/files/tesselon" "$folder/tesselon" || fail "the new build is not in place"
  [ -x "$folder/tesselon" ] || fail "the new build is not executable"
  cmp -s "$bin_dir/tesselon" "$folder/deleteme.now" || fail "the old build was not kept as deleteme.now"
  for _ in $(seq 100); do [ -s "$folder/started.txt" ] && break; sleep 0.1; done
  [ "$(cat "$folder/started.txt" 2>/dev/null)" = "-update" ] || fail "new build not started with -update"
  # Saved whole before the swap, with the check box (left unchecked) stored.
  grep -q '^\[ProcesosImage\]' "$folder/default.cfg" || fail "settings not saved: $(cat "$folder/default.cfg")"
  grep -q '"autoUpdate":0' "$folder/default.cfg" || fail "check box not stored: $(cat "$folder/default.cfg")"
}

# 1. A wrong checksum.
prepare wrongsum "VERSION#$newer#tesselon#${base}files##$(printf '%064d' 0)"
launch "$folder"
refused

# 2. The build is not on the host.
prepare missing "VERSION#$newer#tesselon#${base}status/404##$sha"
launch "$folder"
refused

# 3. Over plain HTTP with the right checksum.
prepare plain "VERSION#$newer#tesselon#${base}files##$sha"
launch "$folder"
installed

# 4. Over HTTPS with the host's certificate verified, without a checksum.
mkdir -p "$work/secure"
cp -r "$served/." "$work/secure/"
serve "$work/secure" tls
export TESSELON_PRIMARY_URL=$base TESSELON_CA_FILE="$work/cert.pem"
served="$work/secure"
prepare secure "VERSION#$newer#tesselon#${base}files#"
launch "$folder"
installed

echo "self-update test passed"
