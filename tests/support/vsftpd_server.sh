#!/usr/bin/env bash
# Debian's vsftpd on 127.0.0.1 for the tests and the benchmarks, speaking explicit FTPS
# only: logins and data must be encrypted, and every data connection must resume the
# control connection's TLS session. The certificate comes from a throw-away authority
# made here.
#
# Usage: vsftpd_server.sh WORK_DIR SERVE_DIR [CERT_NAME [BYTES_PER_SECOND [ACCESS]]]
# SERVE_DIR is served to the anonymous account ("anonymous", any password), which must be
# able to read it. CERT_NAME (default 127.0.0.1) is the name or address the certificate
# is made out for; BYTES_PER_SECOND slows every transfer to about that rate. ACCESS is
# "read" (the default: nothing can be changed) or "write": the account may then store,
# rename, delete and make folders in the folders below SERVE_DIR, which become its own;
# SERVE_DIR itself stays root's, as vsftpd refuses an anonymous root it could write.
# Prints "PORT n", "CA file", "FINGERPRINT hex" (the
# certificate's SHA-256, lower-case hex) and then "READY", or one line "SKIP reason";
# the server ends when standard input closes. The commands it was sent are logged in
# WORK_DIR/vsftpd.log.
set -u
work=${1:?usage: vsftpd_server.sh WORK_DIR SERVE_DIR [CERT_NAME]}
serve=${2:?usage: vsftpd_server.sh WORK_DIR SERVE_DIR [CERT_NAME]}
name=${3:-127.0.0.1}
rate=${4:-0}
access=${5:-read}
vsftpd=/usr/sbin/vsftpd

skip() { echo "SKIP $*"; exit 0; }
[ "$(id -u)" -eq 0 ] || skip "vsftpd serves its anonymous account only when run as root"
[ -x "$vsftpd" ] || skip "vsftpd is not installed (Debian's vsftpd)"
getent passwd ftp >/dev/null || skip "no ftp account for vsftpd's anonymous login"
# vsftpd's own empty folder, which the package makes at boot.
[ -d /var/run/vsftpd/empty ] || mkdir -p -m 0755 /var/run/vsftpd/empty

if [[ $name =~ ^[0-9.]+$ ]]; then san="IP:$name"; else san="DNS:$name"; fi
openssl req -x509 -new -nodes -newkey rsa:2048 -days 2 -subj "/CN=Tesselon test authority" \
  -keyout "$work/ca.key" -out "$work/ca.pem" >/dev/null 2>&1 || skip "openssl cannot make an authority"
openssl req -new -nodes -newkey rsa:2048 -subj "/CN=$name" -keyout "$work/server.key" \
  -out "$work/server.csr" >/dev/null 2>&1 || skip "openssl cannot make a request"
printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$san" >"$work/server.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial -days 2 \
  -extfile "$work/server.ext" -out "$work/server.pem" >/dev/null 2>&1 || skip "openssl cannot sign the certificate"
fingerprint=$(openssl x509 -in "$work/server.pem" -noout -fingerprint -sha256 | sed 's/.*=//; s/://g' |
  tr 'A-F' 'a-f')

# The anonymous account reads the served tree; its root must not be writable by it
# unless it is served for writing.
chmod -R a+rX "$serve"
writes="write_enable=NO"
if [ "$access" = write ]; then
  chown -R ftp: "$serve" && chown root: "$serve" && chmod 0755 "$serve" ||
    skip "the served folder cannot be given to the ftp account"
  writes=$(printf '%s\n' write_enable=YES anon_upload_enable=YES anon_mkdir_write_enable=YES \
    anon_other_write_enable=YES anon_umask=022)
fi
dir=$serve
while [ "$dir" != / ] && [ -n "$dir" ]; do
  dir=$(dirname "$dir")
  chmod o+x "$dir" 2>/dev/null
done

pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null' EXIT
for attempt in 1 2 3 4 5; do
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$work/vsftpd.conf" <<CONFIG
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
local_enable=NO
$writes
anon_root=$serve
no_anon_password=NO
pasv_enable=YES
pasv_address=127.0.0.1
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
require_ssl_reuse=YES
ssl_ciphers=HIGH
rsa_cert_file=$work/server.pem
rsa_private_key_file=$work/server.key
seccomp_sandbox=NO
max_per_ip=50
anon_max_rate=$rate
max_clients=50
xferlog_enable=YES
xferlog_std_format=NO
log_ftp_protocol=YES
vsftpd_log_file=$work/vsftpd.log
CONFIG
  : >"$work/vsftpd.log"
  "$vsftpd" "$work/vsftpd.conf" </dev/null >"$work/vsftpd.out" 2>&1 &
  pid=$!
  up=""
  for _ in $(seq 100); do
    /usr/bin/python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', $port), 0.2).close()" \
      2>/dev/null && { up=1; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ -n "$up" ]; then
    echo "PORT $port"
    echo "CA $work/ca.pem"
    echo "FINGERPRINT $fingerprint"
    echo "READY"
    cat >/dev/null
    exit 0
  fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""
done
skip "vsftpd did not start: $(tail -1 "$work/vsftpd.out")"
