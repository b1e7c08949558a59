#!/usr/bin/env bash
# A nightly job's second run: 10,000 small images (64x48, in 100 folders) converted once,
# then the same job again with --skip-unchanged and nothing changed, against a plain run
# of the same job. Also the second run after one image in a thousand was rewritten. Best
# of three, in wall time and processor time (user + system).
#
# On the 2-core development machine (2026-12-10, under a load of about 16 from other
# builds): plain run 113.0 s (43.3 s processor); --skip-unchanged with nothing changed
# 2.63 s (0.39 s processor), 0.26 s per 1,000 images; with 10 images changed 2.99 s; a
# further run converted nothing.
#
# Usage: bench/nightly.sh [build-dir | tesselon-batch executable] [image count]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${2:-10000}
. bench/batch_binary.sh "${1:-build}"
command -v convert >/dev/null || { echo "convert is missing (imagemagick)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 64x48 plasma:fractal -quality 85 "$work/seed.jpg"
per=$(( (count + 99) / 100 ))
made=0
for folder in $(seq -w 1 100); do
  mkdir -p "$work/in/f$folder"
  for i in $(seq 1 "$per"); do
    [ "$made" -ge "$count" ] && break
    cp "$work/seed.jpg" "$work/in/f$folder/p$i.jpg"
    made=$((made + 1))
  done
done
printf '[ProcesosImage]\r\n{"MarcaDeAgua":1,"EscalaGrises":1}\r\n' >"$work/job.cfg"
run=("$batch" --config "$work/job.cfg" --source "$work/in" --subfolders --quiet --jobs "$(nproc)")

timed() {  # wall and processor ms of one run of a command
  /usr/bin/time -f "%e %U %S" -o "$work/run.time" "$@" >/dev/null 2>&1 || true
  local elapsed user system
  read -r elapsed user system <"$work/run.time"
  echo "$(echo "$elapsed * 1000 / 1" | bc) $(echo "($user + $system) * 1000 / 1" | bc)"
}
best() {  # best of three: wall, processor; `prepare` runs before each
  local prepare=$1 wall=0 cpu=0 w c
  shift
  for _ in 1 2 3; do
    eval "$prepare"
    sync
    read -r w c <<<"$(timed "$@")"
    if [ "$wall" -eq 0 ] || [ "$w" -lt "$wall" ]; then wall=$w; fi
    if [ "$cpu" -eq 0 ] || [ "$c" -lt "$cpu" ]; then cpu=$c; fi
  done
  echo "$wall $cpu"
}

read -r plain plain_cpu <<<"$(best 'rm -rf "$work/plain"' "${run[@]}" --dest "$work/plain")"
"${run[@]}" --dest "$work/out" --skip-unchanged
read -r skip skip_cpu <<<"$(best ':' "${run[@]}" --dest "$work/out" --skip-unchanged)"
# One image in a thousand gets other bytes (of another size) before each run.
changed=$((count / 1000 > 0 ? count / 1000 : 1))
rewrite='n=$((n + 1)); for f in $(find "$work/in" -name "*.jpg" | sort | awk "NR % 1000 == 1" | head -n $changed); do
  convert -size 64x48 plasma:fractal -quality $((60 + n)) "$f"; done'
n=0
read -r some some_cpu <<<"$(best "$rewrite" "${run[@]}" --dest "$work/out" --skip-unchanged)"
# Converting nothing: whether the results are really all there still.
"${run[@]}" --dest "$work/out" --skip-unchanged --report "$work/report.json"
saved=$({ grep -o '"saved":true' "$work/report.json" || true; } | wc -l)

echo "$batch ($(date -u +%Y-%m-%d), $(nproc) cores, $count images of 64x48)"
printf '%-46s %8d ms %8d ms processor\n' "plain run (every image converted)" "$plain" "$plain_cpu"
printf '%-46s %8d ms %8d ms processor %6.3f s per 1000 images\n' "--skip-unchanged, nothing changed" "$skip" \
  "$skip_cpu" "$(echo "$skip / $count" | bc -l)"
printf '%-46s %8d ms %8d ms processor\n' "--skip-unchanged, $changed changed" "$some" "$some_cpu"
echo "images converted again by a further run with nothing changed: $saved"
