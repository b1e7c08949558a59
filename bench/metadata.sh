#!/usr/bin/env bash
# What --auto-orient and --keep-metadata cost tesselon-batch: the same batch of real
# photos (Debian's mate-backgrounds, 1280 to 2560 pixels wide, three copies of each,
# stored turned a quarter with EXIF orientation 6) converted to JPEG plainly, upright,
# and upright with its EXIF kept. Best of three runs on one worker, then on all cores.
#
# Usage: bench/metadata.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
. scripts/packages.sh
# shellcheck disable=SC2086
ensure_packages $TESSELON_BENCH_PACKAGES
cmake --build "$build" --target tesselon-batch >/dev/null
batch="$PWD/$build/bin/tesselon-batch"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
for photo in /usr/share/backgrounds/mate/nature/*.jpg; do
  name=$(basename "$photo" .jpg)
  convert "$photo" -rotate 270 -quality 92 "$work/in/$name.jpg"
  # Some photos carry maker notes exiv2 complains about; the tag is set all the same.
  exiv2 -M'set Exif.Image.Orientation Short 6' -M'set Exif.Image.Make Bench' "$work/in/$name.jpg" 2>/dev/null
  for copy in 2 3; do cp "$work/in/$name.jpg" "$work/in/$name-$copy.jpg"; done
done
count=$(ls "$work/in" | wc -l)
printf '[ProcesosImage]\r\n{"MarcaDeAgua":0}\r\n' >"$work/job.cfg"

# best MEASURE OPTIONS...: the best of three runs; MEASURE is wall (elapsed) or cpu
# (user + system, steadier on a machine shared with other work), in milliseconds.
best() {
  local measure=$1 best="" ms
  shift
  for _ in 1 2 3; do
    rm -rf "$work/out"
    /usr/bin/time -f '%e %U %S' -o "$work/time" \
      "$batch" --config "$work/job.cfg" --source "$work/in" --dest "$work/out" --format jpg --quality 85 --quiet "$@"
    [ "$(ls "$work/out" | wc -l)" -eq "$count" ] || { echo "not every photo was converted" >&2; exit 1; }
    if [ "$measure" = wall ]; then
      ms=$(awk '{ printf "%d", $1 * 1000 }' "$work/time")
    else
      ms=$(awk '{ printf "%d", ($2 + $3) * 1000 }' "$work/time")
    fi
    [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}

printf '%d photos\n%-31s %15s %15s %15s\n' "$count" "" "1 worker, CPU" "1 worker, wall" "all cores, wall"
for options in "" "--auto-orient" "--auto-orient --keep-metadata"; do
  # shellcheck disable=SC2086
  printf '%-31s %12d ms %12d ms %12d ms\n' "${options:-plain}" "$(best cpu --jobs 1 $options)" \
    "$(best wall --jobs 1 $options)" "$(best wall $options)"
done
