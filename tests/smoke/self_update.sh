#!/usr/bin/env bash
# The online update of the real desktop program, in a private X server and a private
# program folder, against hosts started here on 127.0.0.1, with version files signed by
# scripts/sign-update with a key made for this run: a newer build is fetched, swapped
# in and started with "-update", with default.cfg holding the settings, over HTTP and
# over verified HTTPS alike. Three files of which one has a wrong checksum, and a build
# that is not there (404), leave both programs in place and runnable after "Error
# Actualizando" and "Salir". An offer without the signature installs nothing, and the
# program goes on.
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

# The vendor's key for this run; the program takes its public half from the
# environment in place of the one it was built with.
sign="$source_dir/scripts/sign-update"
TESSELON_UPDATE_PUBLIC_KEY=$("$sign" keygen "$work/vendor.pem")
export TESSELON_UPDATE_PUBLIC_KEY

# The new build: a program that notes how it was started; and a new tesselon-batch.
served="$work/served"
mkdir -p "$served/.soft/.Tesselon" "$served/files"
printf '#!/bin/sh\necho "$*" > "$(dirname "$0")/started.txt"\n' >"$served/files/tesselon"
printf '#!/bin/sh\necho new batch\n' >"$served/files/tesselon-batch"
echo "notes" >"$served/files/notes.txt"
sha=$(sha256sum "$served/files/tesselon" | cut -d' ' -f1)
batch_sha=$(sha256sum "$served/files/tesselon-batch" | cut -d' ' -f1)
serve "$served"
export TESSELON_PRIMARY_URL=$base TESSELON_FALLBACK_URL=http://127.0.0.1:1/

# prepare NAME VERSION_LINE...: a program folder of its own holding both programs, with
# consent given and default.cfg asking for the check at start-up, and the version file
# the host serves, signed.
prepare() {
  folder="$work/$1"
  shift
  mkdir -p "$folder"
  cp "$bin_dir/tesselon" "$bin_dir/tesselon-batch" "$folder/"
  printf '%084d' 0 >"$folder/HayConsentimiento.dat"
  printf '[Config]\r\n{"Cancelado":0,"autoUpdate":1}\r\n' >"$folder/default.cfg"
  printf '%s\r\n' "$@" >"$served/.soft/.Tesselon/lastversion.dat"
  "$sign" sign "$work/vendor.pem" "$served/.soft/.Tesselon/lastversion.dat" >/dev/null
}

# unchanged: both programs stand as they were, runnable, with nothing left beside them.
unchanged() {
  cmp -s "$bin_dir/tesselon" "$folder/tesselon" || fail "the program was changed"
  cmp -s "$bin_dir/tesselon-batch" "$folder/tesselon-batch" || fail "tesselon-batch was changed"
  [ -x "$folder/tesselon" ] && [ -x "$folder/tesselon-batch" ] || fail "a program lost its execute permission"
  "$folder/tesselon-batch" --help >/dev/null || fail "tesselon-batch no longer runs"
  [ ! -e "$folder/deleteme.now" ] || fail "deleteme.now after a refused update"
  [ -z "$(ls -A "$folder" | grep -v -x -e tesselon -e tesselon-batch -e HayConsentimiento.dat -e default.cfg \
    -e out.log)" ] || fail "files left behind: $(ls -A "$folder")"
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
  unchanged
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

# 1. Three files, the third with a wrong checksum.
prepare wrongsum "VERSION#$newer#tesselon#${base}files##$sha" "-#-#tesselon-batch#${base}files##$batch_sha" \
  "-#-#notes.txt#${base}files##$(printf '%064d' 0)"
launch "$folder"
refused

# 2. The build is not on the host.
prepare missing "VERSION#$newer#tesselon#${base}status/404##$sha"
launch "$folder"
refused

# 3. Without the signature, though with the right checksum: the program says so and
#    goes on as it is.
prepare unsigned "VERSION#$newer#tesselon#${base}files##$sha"
rm "$served/.soft/.Tesselon/lastversion.dat.sig"
launch "$folder"
answer "Recontar nº de imágenes"
wait_window "Error Actualizando" >/dev/null || fail "no error box"
answer "Error Actualizando"
wait_window "Tesselon - v0.3f" >/dev/null || fail "the program did not go on"
terminate
unchanged

# 4. Over plain HTTP with the right checksum and tesselon-batch beside it.
prepare plain "VERSION#$newer#tesselon#${base}files##$sha" "-#-#tesselon-batch#${base}files##$batch_sha"
launch "$folder"
installed
[ "$("$folder/tesselon-batch")" = "new batch" ] || fail "tesselon-batch not updated"

# 5. Over HTTPS with the host's certificate verified.
mkdir -p "$work/secure"
cp -r "$served/." "$work/secure/"
serve "$work/secure" tls
export TESSELON_PRIMARY_URL=$base TESSELON_CA_FILE="$work/cert.pem"
served="$work/secure"
prepare secure "VERSION#$newer#tesselon#${base}files##$sha"
launch "$folder"
installed

echo "self-update test passed"
