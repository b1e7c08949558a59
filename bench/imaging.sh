#!/usr/bin/env bash
# Imaging throughput on one core: decode, smooth resize and encode of a 12-megapixel
# photo-like JPEG through the service, next to libjpeg-turbo's djpeg and cjpeg on the
# same file.
#
# Needs ImageMagick (convert) and libjpeg-turbo-progs (djpeg, cjpeg), and a configured
# build tree (default build/; pass another as the first argument).
# Usage: bench/imaging.sh [build-dir] [repeats]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repeats=${2:-5}
for tool in convert djpeg cjpeg; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (imagemagick, libjpeg-turbo-progs)" >&2; exit 2; }
done
cmake --build "$build" --target imaging_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Gradients for the smooth areas, noise for the detail a camera adds.
convert -size 4000x3000 -seed 1 gradient:'#e09050'-'#304080' \
        \( -size 4000x3000 plasma:fractal -blur 0x2 \) -compose overlay -composite \
        -attenuate 0.25 +noise Gaussian -quality 90 "$work/photo.jpg"
djpeg -outfile "$work/photo.ppm" "$work/photo.jpg"

# Pins everything to one core so that the figures are single-threaded ones.
one_core=(taskset -c 0)
command -v taskset >/dev/null || one_core=()

best_ms() {  # best wall time of a command over $repeats runs, in milliseconds
  local best=0 start end ms
  for _ in $(seq "$repeats"); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ "$best" -eq 0 ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

echo "== service (tesselon imaging)"
"${one_core[@]}" "$build/bench/imaging_bench" "$work/photo.jpg" "$repeats"

echo "== libjpeg-turbo tools, same file (including process start and file output)"
dj=$(best_ms "${one_core[@]}" djpeg -outfile /dev/null "$work/photo.jpg")
cj=$(best_ms "${one_core[@]}" cjpeg -quality 70 -outfile /dev/null "$work/photo.ppm")
awk -v dj="$dj" -v cj="$cj" 'BEGIN {
  printf "%-34s %9.1f ms %8.1f MP/s\n", "djpeg (to PPM)", dj, 12 / (dj / 1000)
  printf "%-34s %9.1f ms %8.1f MP/s\n", "cjpeg -quality 70 (from PPM)", cj, 12 / (cj / 1000)
}'
