#!/usr/bin/env bash
# The README's GNU parallel recipes, tried here: three shards of one job at once on this
# machine, then the same three started over ssh (`parallel --sshlogin`) against Debian's
# sshd on 127.0.0.1 (tests/support/sshd_server.sh in its shell mode, a throw-away key),
# each into a destination compared byte for byte with one whole run, and the reports
# joined. Needs root, as the test sshd does.
#
# On the 2-core development machine (2026-12-10, 300 images, busy with other builds):
# one whole run 4.8 s; parallel -j 3 5.2 s; parallel --sshlogin 3/root@127.0.0.1 10.2 s;
# both unions identical to the whole run, both merged reports the same list.
#
# Usage: bench/parallel.sh [build-dir | tesselon-batch executable] [image count]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${2:-600}
. bench/batch_binary.sh "${1:-build}"
for tool in parallel ssh convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/packages.sh bench list)" >&2; exit 2; }
done

work=$(mktemp -d)
chmod 0755 "$work"
server_pid=""
stop() {
  [ -n "$server_pid" ] && { exec 9>&-; wait "$server_pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap stop EXIT

convert -size 64x48 plasma:fractal -quality 85 "$work/seed.jpg"
for i in $(seq 1 "$count"); do
  mkdir -p "$work/in/f$((i % 12))"
  cp "$work/seed.jpg" "$work/in/f$((i % 12))/p$i.jpg"
done
job=(--source "$work/in" --subfolders --skip-unchanged --quiet --jobs 1)

seconds() { local start=$1; echo "$(date +%s.%N) - $start" | bc; }
check() {  # destination, report prefix: against the whole run
  local union reports
  if diff -r -x '.tesselon-manifest*' "$work/whole" "$1" >/dev/null; then union=identical; else union=DIFFERENT; fi
  "$batch" --merge-reports "$2"1.json "$2"2.json "$2"3.json >"$2merged.json"
  if python3 - "$work/whole.json" "$2merged.json" <<'PY'
import json, sys
whole, merged = (json.load(open(p)) for p in sys.argv[1:3])
sys.exit(0 if [e["path"] for e in whole] == [e["path"] for e in merged] else 1)
PY
  then reports=same; else reports=DIFFERENT; fi
  echo "union $union, merged reports $reports"
}

start=$(date +%s.%N)
"$batch" "${job[@]}" --dest "$work/whole" --report "$work/whole.json"
whole_s=$(seconds "$start")

# On this machine.
start=$(date +%s.%N)
parallel --will-cite -j 3 "$batch" "${job[@]}" --dest "$work/local" --shard {}/3 \
  --report "$work/local-{}.json" ::: 1 2 3
local_s=$(seconds "$start")
local_check=$(check "$work/local" "$work/local-")

# Over ssh: the "remote" machine is this one, and the shared folder the same path.
mkdir -p "$work/sshd"
coproc SERVER { tests/support/sshd_server.sh "$work/sshd" shell; }
server_pid=$SERVER_PID
exec 9>&"${SERVER[1]}"
port="" key=""
while read -r word rest <&"${SERVER[0]}"; do
  case $word in
  PORT) port=$rest ;;
  KEY) key=$rest ;;
  READY) break ;;
  SKIP) echo "no sshd: $rest" >&2; exit 2 ;;
  esac
done
echo "[127.0.0.1]:$port $key" >"$work/known_hosts"
ssh_command="ssh -p $port -i $work/sshd/client_key -o BatchMode=yes -o UserKnownHostsFile=$work/known_hosts"
start=$(date +%s.%N)
parallel --will-cite --ssh "$ssh_command" --sshlogin 3/root@127.0.0.1 \
  "$batch" "${job[@]}" --dest "$work/remote" --shard {}/3 --report "$work/remote-{}.json" ::: 1 2 3
remote_s=$(seconds "$start")
remote_check=$(check "$work/remote" "$work/remote-")

echo "$batch ($(date -u +%Y-%m-%d), $(nproc) cores, $count images of 64x48, $(parallel --will-cite --version | head -1))"
printf '%-44s %6.1f s\n' "one whole run, --jobs 1" "$whole_s"
printf '%-44s %6.1f s  %s\n' "parallel -j 3, shards 1/3 2/3 3/3" "$local_s" "$local_check"
printf '%-44s %6.1f s  %s\n' "parallel --sshlogin 3/root@127.0.0.1" "$remote_s" "$remote_check"
[[ "$local_check $remote_check" != *DIFFERENT* ]]
