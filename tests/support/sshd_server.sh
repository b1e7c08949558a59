#!/usr/bin/env bash
# Debian's OpenSSH sshd on 127.0.0.1 for the tests and the benchmarks: a throw-away
# ed25519 host key in WORK_DIR, SFTP only, for one account that logs in with a password.
#
# Usage: sshd_server.sh WORK_DIR [password | keyboard-interactive | shell] [chroot]
# With keyboard-interactive the password is asked through PAM's keyboard-interactive
# exchange instead of the password method, as many hosts set it up. With shell the server
# runs commands instead, for root only, who logs in with the throw-away key
# WORK_DIR/client_key (what GNU parallel's --sshlogin needs); no password is accepted.
# With chroot the account is shut in a fresh folder that is its "/", as hosts give their
# SFTP-only accounts; sshd wants every folder on its path owned by root and closed to
# others, which the temporary folders are not, so it is made below the state folder,
# printed as "CHROOT path", and removed when the server ends.
# Prints "PORT n", "PASSWORD p", "FINGERPRINT SHA256:...", "KEY ssh-ed25519 ..." and then
# "READY", or one line "SKIP reason"; the server ends when standard input closes.
#
# sshd checks passwords only when it runs as root. The account (tesselon-sftp, no home,
# no shell) is made on first use with a random password, kept in a file only root can
# read so that later runs, and runs side by side, share it.
set -u
work=${1:?usage: sshd_server.sh WORK_DIR [keyboard-interactive | shell]}
mode=${2:-password}
root=${3:-}
if [ "$mode" = keyboard-interactive ]; then
  authentication="UsePAM yes
PasswordAuthentication no
KbdInteractiveAuthentication yes"
else
  authentication="UsePAM no
PasswordAuthentication yes
KbdInteractiveAuthentication no"
fi
user=tesselon-sftp
state=/var/lib/tesselon-tests
sshd=/usr/sbin/sshd

skip() { echo "SKIP $*"; exit 0; }
[ "$(id -u)" -eq 0 ] || skip "sshd checks passwords only when run as root"
[ -x "$sshd" ] || skip "sshd is not installed (Debian's openssh-server)"

# The account and its password, made once under a lock.
mkdir -p -m 0700 "$state" || skip "cannot make $state"
exec 8>"$state/sftp-account.lock"
flock 8
if ! getent passwd "$user" >/dev/null; then
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" >/dev/null 2>&1 ||
    skip "cannot make the test account $user"
  rm -f "$state/sftp-password"
fi
if [ ! -s "$state/sftp-password" ]; then
  (umask 077; head -c 18 /dev/urandom | base64 | tr '+/' '-_' >"$state/sftp-password")
  echo "$user:$(cat "$state/sftp-password")" | chpasswd || skip "cannot set the password of $user"
fi
password=$(cat "$state/sftp-password")
flock -u 8
exec 8>&-

# sshd's privilege separation folder, which the service would make at boot.
[ -d /run/sshd ] || mkdir -m 0755 /run/sshd

ssh-keygen -q -t ed25519 -N '' -C '' -f "$work/host_key" || skip "ssh-keygen failed"
if [ "$mode" = shell ]; then
  ssh-keygen -q -t ed25519 -N '' -C '' -f "$work/client_key" || skip "ssh-keygen failed"
  cp "$work/client_key.pub" "$work/authorized_keys"
  access="PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PubkeyAuthentication yes
AuthorizedKeysFile $work/authorized_keys
PermitRootLogin prohibit-password
AllowUsers root"
else
  access="$authentication
PubkeyAuthentication no
PermitRootLogin no
AllowUsers $user
Subsystem sftp internal-sftp
ForceCommand internal-sftp"
fi
fingerprint=$(ssh-keygen -l -f "$work/host_key.pub" | awk '{print $2}')

chroot=""
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; [ -n "$chroot" ] && rm -rf -- "$chroot"' EXIT
if [ "$root" = chroot ]; then
  chroot=$(mktemp -d "$state/chroot.XXXXXX") || skip "cannot make a folder in $state"
  chmod 0755 "$chroot"
  access="$access
ChrootDirectory $chroot"
fi
for attempt in 1 2 3 4 5; do
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$work/sshd_config" <<CONFIG
Port $port
ListenAddress 127.0.0.1
HostKey $work/host_key
PidFile $work/sshd.pid
$access
StrictModes no
AllowTcpForwarding no
X11Forwarding no
MaxAuthTries 3
LogLevel VERBOSE
CONFIG
  : >"$work/sshd.log"
  "$sshd" -D -f "$work/sshd_config" -E "$work/sshd.log" </dev/null >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    grep -q 'Server listening' "$work/sshd.log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if grep -q 'Server listening' "$work/sshd.log"; then
    echo "PORT $port"
    echo "PASSWORD $password"
    echo "FINGERPRINT $fingerprint"
    echo "KEY $(cut -d' ' -f1,2 "$work/host_key.pub")"
    [ -n "$chroot" ] && echo "CHROOT $chroot"
    echo "READY"
    cat >/dev/null
    exit 0
  fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""
done
skip "sshd did not start: $(tail -1 "$work/sshd.log")"
