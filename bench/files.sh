#!/usr/bin/env bash
# What tesselon-batch's file handling costs where images are small and the work is
# mostly files: 2,000 images of 64x48 in 40 nested folders, converted on one worker and
# on all cores (every result walks to its folder from the destination's descriptor and
# is renamed into place there), and a phrases file of 60 MiB of empty lines (time and
# peak memory of reading it). Best of five runs for the batches, in wall time and in
# processor time (user + system), which a busy machine disturbs less.
#
# Usage: bench/files.sh [build-dir | tesselon-batch executable]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/batch_binary.sh "${1:-build}"
command -v convert >/dev/null || { echo "convert is missing (imagemagick)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 64x48 plasma:fractal -quality 85 "$work/seed.jpg"
for folder in $(seq -w 1 40); do
  mkdir -p "$work/in/a$folder/b$folder"
  for i in $(seq -w 1 50); do cp "$work/seed.jpg" "$work/in/a$folder/b$folder/p$i.jpg"; done
done
count=$(find "$work/in" -name '*.jpg' | wc -l)
printf '[ProcesosImage]\r\n{"MarcaDeAgua":0,"EscalaGrises":1}\r\n' >"$work/job.cfg"

best_ms() {  # best wall and best processor time of a command over five runs, in ms
  local wall=0 cpu=0 w c elapsed user system
  for _ in 1 2 3 4 5; do
    rm -rf "$work/out"
    sync
    /usr/bin/time -f "%e %U %S" -o "$work/run.time" "$@" >/dev/null 2>&1
    read -r elapsed user system <"$work/run.time"
    w=$(echo "$elapsed * 1000 / 1" | bc)
    c=$(echo "($user + $system) * 1000 / 1" | bc)
    if [ "$wall" -eq 0 ] || [ "$w" -lt "$wall" ]; then wall=$w; fi
    if [ "$cpu" -eq 0 ] || [ "$c" -lt "$cpu" ]; then cpu=$c; fi
  done
  echo "$wall $cpu"
}
run=("$batch" --config "$work/job.cfg" --source "$work/in" --dest "$work/out" --subfolders --quiet --jobs)

cores=$(nproc)
read -r one one_cpu <<<"$(best_ms "${run[@]}" 1)"
read -r all all_cpu <<<"$(best_ms "${run[@]}" "$cores")"

python3 -c "open('$work/frases.txt', 'wb').write(b'\n' * (60 << 20))"
mkdir -p "$work/one"
cp "$work/seed.jpg" "$work/one/"
printf '[ProcesosTexto]\r\n{"ArchivoFrases":"%s","SoloMarcadeAgua":0,"TextoPosicion":6}\r\n' "$work/frases.txt" \
  >"$work/phrases.cfg"
/usr/bin/time -f "%M %e" -o "$work/phrases.time" \
  "$batch" --config "$work/phrases.cfg" --source "$work/one" --dest "$work/out-phrases" --quiet
read -r kb seconds <"$work/phrases.time"

echo "$batch ($(date -u +%Y-%m-%d), $cores cores)"
printf '%-40s %8d ms %8.0f images/s %8d ms processor\n' "$count small images, --jobs 1" "$one" \
  "$(echo "$count * 1000 / $one" | bc -l)" "$one_cpu"
printf '%-40s %8d ms %8.0f images/s %8d ms processor\n' "$count small images, --jobs $cores" "$all" \
  "$(echo "$count * 1000 / $all" | bc -l)" "$all_cpu"
printf '%-40s %8s s  %8d MiB peak\n' "phrases file of 60 MiB of empty lines" "$seconds" $((kb / 1024))
