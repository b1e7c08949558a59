#!/usr/bin/env bash
# The README's Slurm recipe on a one-node cluster of this machine: munged, slurmctld and
# slurmd (Debian's munge and slurm-wlm) started here with a throw-away key and
# configuration, listening on 127.0.0.1 only, and stopped at the end. A folder of small
# images is converted by a 3-task job array (`sbatch --array=1-3`, each task one
# `--shard K/3` with --skip-unchanged), then compared byte for byte with one whole run,
# and the three reports joined. Needs root (slurmd starts the tasks as the submitter).
# Not part of CI.
#
# On the 2-core development machine (2026-12-10, Slurm 22.05.8, 3,000 images, busy with
# other builds): the array ran 1000/1000/1000 images in 33.6 s from the first task's
# start to the last one's end (42.3 s as sbatch --wait sees it; two tasks at a time on
# two processors), against 54.8 s for one whole run on one worker; the same array again
# with nothing changed 3.7 s; the union of the tasks' results was identical to the whole
# run's, and the merged reports listed its images in its order.
#
# Usage: bench/slurm.sh [build-dir | tesselon-batch executable] [image count]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${2:-3000}
. bench/batch_binary.sh "${1:-build}"
[ "$(id -u)" -eq 0 ] || { echo "run as root: slurmd and munged are started here" >&2; exit 2; }
for tool in munged slurmctld slurmd sbatch convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/packages.sh bench list)" >&2; exit 2; }
done

work=$(mktemp -d)
chmod 0755 "$work"
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_for() {  # a file's line, up to 20 s
  for _ in $(seq 200); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "not ready: $1" >&2
  tail -5 "$1" >&2 || true
  return 1
}

# munge: its own key and socket, so the machine's munged (if any) is left alone.
mkdir -p -m 0700 "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 0400 "$work/munge/munge.key"
munged --foreground --force --key-file="$work/munge/munge.key" --socket="$work/munge/socket" \
  --pid-file="$work/munge/munged.pid" --log-file="$work/munge/munged.log" --seed-file="$work/munge/seed" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/munge/socket" ] && break; sleep 0.1; done
[ -S "$work/munge/socket" ] || { cat "$work/munge/munged.log" >&2; exit 1; }

mkdir -p "$work/state" "$work/spool" "$work/log"
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=tesselonbench
SlurmctldHost=$(hostname)(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
NodeName=bench NodeHostname=$(hostname) NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=bench Nodes=bench Default=YES MaxTime=INFINITE State=UP OverSubscribe=YES
CONF
slurmctld -D -i -f "$SLURM_CONF" >/dev/null 2>&1 &
pids+=($!)
wait_for "$work/log/slurmctld.log" "started on cluster"
slurmd -D -N bench -f "$SLURM_CONF" >/dev/null 2>&1 &
pids+=($!)
wait_for "$work/log/slurmd.log" "started"
for _ in $(seq 100); do sinfo -h -o %t 2>/dev/null | grep -q idle && break; sleep 0.2; done
sinfo

# The job: small images in 30 folders, on the "shared folder" every task sees.
convert -size 64x48 plasma:fractal -quality 85 "$work/seed.jpg"
for i in $(seq 1 "$count"); do
  folder="$work/in/f$((i % 30))"
  mkdir -p "$folder"
  cp "$work/seed.jpg" "$folder/p$i.jpg"
done
printf '[ProcesosImage]\r\n{"MarcaDeAgua":1,"EscalaGrises":1}\r\n' >"$work/job.cfg"
mkdir -p "$work/reports"
cat >"$work/convert.sbatch" <<JOB
#!/bin/bash
#SBATCH --job-name=tesselon
#SBATCH --output=$work/log/task-%a.out
#SBATCH --cpus-per-task=1
echo "START \$(date +%s.%N)"
"$batch" --config "$work/job.cfg" --source "$work/in" --dest "$work/out" --subfolders \\
  --skip-unchanged --quiet --jobs 1 \\
  --shard "\$SLURM_ARRAY_TASK_ID/\$SLURM_ARRAY_TASK_COUNT" \\
  --report "$work/reports/\$SLURM_ARRAY_TASK_ID.json"
status=\$?
echo "END \$(date +%s.%N)"
exit \$status
JOB
# From the first task's start to the last one's end (sbatch --wait itself polls slowly).
span() {
  sort -k2 -n "$work"/log/task-*.out | awk '$1 == "START" && !s {s = $2} $1 == "END" && $2 > e {e = $2}
    END {printf "%.1f", e - s}'
}

start=$(date +%s.%N)
sbatch --quiet --wait --array=1-3 "$work/convert.sbatch"
array_s=$(echo "$(date +%s.%N) - $start" | bc)
array_span=$(span)
cp -r "$work/reports" "$work/first-reports"
rm -f "$work"/log/task-*.out
start=$(date +%s.%N)
sbatch --quiet --wait --array=1-3 "$work/convert.sbatch"
again_s=$(echo "$(date +%s.%N) - $start" | bc)
again_span=$(span)

start=$(date +%s.%N)
"$batch" --config "$work/job.cfg" --source "$work/in" --dest "$work/whole" --subfolders --quiet --jobs 1 \
  --report "$work/whole.json"
whole_s=$(echo "$(date +%s.%N) - $start" | bc)

"$batch" --merge-reports "$work"/first-reports/{1,2,3}.json >"$work/merged.json"
if diff -r -x '.tesselon-manifest*' "$work/whole" "$work/out" >/dev/null; then union=identical; else union=DIFFERENT; fi
if python3 - "$work/whole.json" "$work/merged.json" <<'PY'
import json, sys
whole, merged = (json.load(open(p)) for p in sys.argv[1:3])
sys.exit(0 if [e["path"] for e in whole] == [e["path"] for e in merged] else 1)
PY
then reports=same; else reports=DIFFERENT; fi
per_task=$(for k in 1 2 3; do python3 -c "import json,sys; print(len(json.load(open(sys.argv[1]))))" \
  "$work/first-reports/$k.json"; done | paste -sd/)

echo "$batch ($(date -u +%Y-%m-%d), $(nproc) cores, $count images of 64x48, slurm $(sinfo -V | cut -d' ' -f2))"
printf '%-56s %7.1f s (sbatch --wait: %.1f s)\n' "3-task job array, first task start to last task end" \
  "$array_span" "$array_s"
printf '%-56s %7.1f s (sbatch --wait: %.1f s)\n' "the same array again (--skip-unchanged, no change)" \
  "$again_span" "$again_s"
printf '%-56s %7.1f s\n' "one whole run, --jobs 1, for comparison" "$whole_s"
echo "images per task: $per_task; union of the tasks' results against the whole run: $union;" \
  "merged reports against the whole run's: $reports"
[ "$union" = identical ] && [ "$reports" = same ]
