#!/usr/bin/env bash
# Palette images through tesselon-batch, next to ImageMagick on the same files:
#
#  1. exactness: every GIF Debian ships under /usr/share, converted with no operation to
#     its own format and to PNG; how many come out with a pixel (alpha included) other
#     than the source's first frame, as ImageMagick decodes both;
#  2. reduction quality: PSNR against the unreduced result (the same job saved as PNG)
#     of the job's GIF, and of ImageMagick's default quantization of that PNG
#     (`convert x.png y.gif`), both laid over white, per set: the J1 photos (bench/run's
#     generator, 8 of 4000x3000) scaled to 800 pixels, mate-backgrounds' nature photos
#     scaled to 800 pixels, and the system GIFs of one frame; every job draws the
#     default watermark text;
#  3. speed: a 5640x3172 photo (mate-backgrounds) to GIF on one worker, and
#     ImageMagick's `convert` of the same file.
#
# Usage: bench/palette.sh [build-dir]   (BATCH=path compares another tesselon-batch)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
. scripts/packages.sh
# shellcheck disable=SC2086
ensure_packages $TESSELON_BENCH_PACKAGES
if [ -z "${BATCH:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSELON_ENGINE_ONLY=ON -DTESSELON_TESTS=OFF >/dev/null
  cmake --build "$build" --target tesselon-batch >/dev/null
fi
batch=${BATCH:-$PWD/$build/bin/tesselon-batch}

work=${BENCH_WORK:-$(mktemp -d)}
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"
for text in 0 1; do
  printf '[ProcesosEntorno]\r\n{"ExtensionesActivas":"JPG|JPEG|PNG|GIF"}\r\n[ProcesosImage]\r\n{"MarcaDeAgua":%d}\r\n' \
    "$text" >"$work/text$text.cfg"
done

# run CONFIG SOURCE DEST FORMAT: the whole folder through tesselon-batch on one worker.
run() {
  rm -rf "$3"
  "$batch" --config "$1" --source "$2" --dest "$3" --format "$4" --no-subfolders --jobs 1 --quiet || true
}

# The first frame of each image on its logical screen, as ImageMagick decodes it, and
# how many pixels differ; pixels transparent in both count as equal whatever their colour.
cat >"$work/differ.py" <<'PY'
import subprocess, sys
def frame(path):
    size = subprocess.run(["identify", "-format", "%W %H\n", path], capture_output=True, check=True).stdout.split()
    w, h = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-coalesce", "-alpha", "on", "-depth", "8", "rgba:-"],
                         capture_output=True, check=True).stdout
    return (w, h), raw[: w * h * 4]
(sa, a), (sb, b) = frame(sys.argv[1]), frame(sys.argv[2])
if sa != sb:
    print(-1)
    sys.exit()
differ = 0
lost_alpha = False
for i in range(0, len(a), 4):
    if a[i + 3] == 0 and b[i + 3] == 0:
        continue
    if a[i : i + 4] != b[i : i + 4]:
        differ += 1
        lost_alpha |= a[i + 3] != b[i + 3]
print(differ, int(lost_alpha))
PY

echo "== 1. system GIFs with no operation"
mkdir -p "$work/gifs"
while IFS= read -r gif; do
  cp "$gif" "$work/gifs/$(echo "${gif#/usr/share/}" | tr '/' '_')"
done < <(find /usr/share -name '*.gif' -type f | sort)
total=$(ls "$work/gifs" | wc -l)
for format in original png; do
  run "$work/text0.cfg" "$work/gifs" "$work/out-$format" "$format"
  differ=0 alpha=0 missing=0
  for gif in "$work/gifs"/*.gif; do
    name=$(basename "$gif" .gif)
    out="$work/out-$format/$name.${format/original/gif}"
    if [ ! -e "$out" ]; then missing=$((missing + 1)); continue; fi
    read -r pixels lost < <(python3 "$work/differ.py" "$gif" "$out")
    if [ "$pixels" != 0 ]; then differ=$((differ + 1)); fi
    if [ "${lost:-0}" = 1 ]; then alpha=$((alpha + 1)); fi
  done
  printf '%-9s %3d of %d differ from their source (%d with alpha changed), %d not written\n' \
    "$format" "$differ" "$total" "$alpha" "$missing"
done

echo
echo "== 2. PSNR against the unreduced result, over white (dB; identical counts as 100)"
mkdir -p "$work/set-j1" "$work/set-nature" "$work/set-gifs"
convert -size 4000x3000 -seed 7 gradient:'#e09050'-'#304080' \
        \( -size 1000x750 -seed 7 plasma:fractal -resize 4000x3000! -blur 0x3 \) -compose overlay -composite \
        -attenuate 0.3 +noise Gaussian "$work/base.ppm"
for i in 1 2 3 4 5 6 7 8; do
  convert "$work/base.ppm" -roll "+$((i * 157))+$((i * 91))" -modulate 100,$((80 + i)),$((90 + i * 3)) \
          -quality 90 "$work/j1.jpg"
  convert "$work/j1.jpg" -resize 800x800 "$work/set-j1/photo$i.png"
done
for photo in /usr/share/backgrounds/mate/nature/*.jpg; do
  convert "$photo" -resize 800x800 "$work/set-nature/$(basename "$photo" .jpg).png"
done
for gif in "$work/gifs"/*.gif; do
  [ "$(identify "$gif" | wc -l)" -eq 1 ] && cp "$gif" "$work/set-gifs/"
done

psnr() {  # REFERENCE IMAGE: PSNR of IMAGE against REFERENCE, both laid over white
  convert "$1" -background white -flatten "$work/a.ppm"
  convert "$2" -background white -flatten "$work/b.ppm"
  local value
  value=$(compare -metric PSNR "$work/a.ppm" "$work/b.ppm" null: 2>&1 || true)
  case "$value" in inf*) echo 100 ;; *) echo "$value" ;; esac
}

printf '%-22s %6s %12s %12s %14s %12s\n' "set" "images" "tesselon dB" "IM dB" "tesselon >= IM" "worst margin"
for set in j1 nature gifs; do
  run "$work/text1.cfg" "$work/set-$set" "$work/ref-$set" png
  run "$work/text1.cfg" "$work/set-$set" "$work/gif-$set" gif
  mkdir -p "$work/im-$set"
  n=0 ours=0 theirs=0 wins=0 worst=1000
  for ref in "$work/ref-$set"/*.png; do
    name=$(basename "$ref" .png)
    convert "$ref" "$work/im-$set/$name.gif"
    a=$(psnr "$ref" "$work/gif-$set/$name.gif")
    b=$(psnr "$ref" "$work/im-$set/$name.gif")
    n=$((n + 1))
    ours=$(echo "$ours + $a" | bc -l)
    theirs=$(echo "$theirs + $b" | bc -l)
    margin=$(echo "$a - $b" | bc -l)
    [ "$(echo "$margin >= 0" | bc -l)" = 1 ] && wins=$((wins + 1))
    [ "$(echo "$margin < $worst" | bc -l)" = 1 ] && worst=$margin
  done
  printf '%-22s %6d %12.2f %12.2f %10d/%-3d %12.2f\n' "$set" "$n" "$(echo "$ours / $n" | bc -l)" \
    "$(echo "$theirs / $n" | bc -l)" "$wins" "$n" "$worst"
done

echo
echo "== 3. a 5640x3172 photo to GIF on one core, best of 3 (CPU is steadier on a shared machine)"
photo=/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg
mkdir -p "$work/big"
cp "$photo" "$work/big/"
best() {  # NAME COMMAND...: the best wall and CPU (user + system) times of three runs
  local name=$1 wall="" cpu="" w c
  shift
  for _ in 1 2 3; do
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1
    w=$(awk '{ printf "%d", $1 * 1000 }' "$work/time")
    c=$(awk '{ printf "%d", ($2 + $3) * 1000 }' "$work/time")
    if [ -z "$wall" ] || [ "$w" -lt "$wall" ]; then wall=$w; fi
    if [ -z "$cpu" ] || [ "$c" -lt "$cpu" ]; then cpu=$c; fi
  done
  printf '%-34s %8d ms wall %8d ms CPU\n' "$name" "$wall" "$cpu"
}
export -f run
export batch
best "tesselon-batch --format gif" taskset -c 0 bash -c 'run "$@"' _ "$work/text0.cfg" "$work/big" "$work/big-out" gif
best "ImageMagick convert x.jpg y.gif" taskset -c 0 convert "$photo" "$work/big.gif"
