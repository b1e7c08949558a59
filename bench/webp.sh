#!/usr/bin/env bash
# WebP results of the J1 job next to libwebp's cwebp and libvips, on the same images.
#
# The J1 job of bench/run (grey scale, rotation by 90 degrees, proportional resize to
# 1600 pixels, the default watermark text) on 8 photo-like JPEGs of 4000x3000 that
# bench/run's generator makes. The job is run once to PNG: those 1200x1600 files are the
# "same resized inputs" every encoder below gets. On one core, per image:
#
#  - Tesselon: the time its WebP result encoder takes at quality 80 (webp_bench, the
#    best of the repeats, the encode alone), and the bytes;
#  - cwebp -q 80: the whole command (reading the PNG included) and the encode alone as
#    cwebp -v reports it, and the bytes;
#  - vips copy in.png out.webp[Q=80]: the whole command, and the bytes.
#
# Then the whole J1 batch written as WebP q80 and as JPEG 85, for scale.
#
# Usage: bench/webp.sh [build-dir] [repeats]   (BENCH_WORK keeps the files)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
repeats=${2:-5}
count=8
. scripts/packages.sh
# shellcheck disable=SC2086
ensure_packages $TESSELON_BUILD_PACKAGES $TESSELON_BENCH_PACKAGES
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSELON_ENGINE_ONLY=ON -DTESSELON_TESTS=OFF >/dev/null
cmake --build "$build" --target tesselon-batch webp_bench >/dev/null
batch="$PWD/$build/bin/tesselon-batch"
bench="$PWD/$build/bench/webp_bench"

work=${BENCH_WORK:-$(mktemp -d)}
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
corpus="$work/corpus"
mkdir -p "$corpus"
if [ "$(ls "$corpus" | wc -l)" -lt "$count" ]; then
  echo "Generating $count photo-like JPEGs of 4000x3000 (bench/run's J1 corpus)..." >&2
  convert -size 4000x3000 -seed 7 gradient:'#e09050'-'#304080' \
          \( -size 1000x750 -seed 7 plasma:fractal -resize 4000x3000! -blur 0x3 \) -compose overlay -composite \
          -attenuate 0.3 +noise Gaussian "$work/base.ppm"
  for i in $(seq -w 1 "$count"); do
    convert "$work/base.ppm" -roll "+$((10#$i * 157))+$((10#$i * 91))" -modulate 100,$((80 + 10#$i)),$((90 + 10#$i * 3)) \
            -quality 90 "$corpus/photo$i.jpg"
  done
fi
cat >"$work/j1.cfg" <<CFG
[ProcesosEntorno]
{"LocalRemoto":"L","ExtensionesActivas":"JPG|JPEG","imagenesRecursivo":0,"UltimoEscaneoImagenesLocalRemoto":"L"}
[ProcesosImage]
{"EscalaGrises":1,"Rotar":90,"ResizeActivo":1,"ResizeProporcional":1,"ResizeH":1600,"ResizeV":1600,"MarcaDeAgua":1,"RotarAntesQueTexto":0}
CFG

one_core=(taskset -c 0)
command -v taskset >/dev/null || one_core=()

# The resized inputs.
rm -rf "$work/png" && "$batch" --config "$work/j1.cfg" --source "$corpus" --dest "$work/png" --format png --quiet
inputs=("$work"/png/*.png)
echo "$count inputs of $(identify -format '%wx%h' "${inputs[0]}") from the J1 job ($(date -u +%Y-%m-%d), $(uname -m), one core, best of $repeats)"

best_ms() {  # best wall time of a command over $repeats runs, in milliseconds
  local best=0 start end ms
  for _ in $(seq "$repeats"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ "$best" -eq 0 ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

mkdir -p "$work/cwebp" "$work/vips"
printf '%-10s %14s %8s | %14s %14s %8s | %14s %8s\n' image "tesselon ms" bytes "cwebp ms" "cwebp enc ms" bytes \
       "vips ms" bytes
ours=$("${one_core[@]}" "$bench" 80 "$repeats" "${inputs[@]}")
sum_t=0 sum_c=0 sum_ce=0 sum_v=0 sum_bt=0 sum_bc=0 sum_bv=0
for input in "${inputs[@]}"; do
  name=$(basename "$input" .png)
  read -r _ t bt < <(grep -F "$input " <<<"$ours")
  c=$(best_ms "${one_core[@]}" cwebp -q 80 "$input" -o "$work/cwebp/$name.webp")
  ce=$("${one_core[@]}" cwebp -v -q 80 "$input" -o "$work/cwebp/$name.webp" 2>&1 |
       awk '/Time to encode picture/ { printf "%.0f", $5 * 1000 }')
  bc=$(stat -c %s "$work/cwebp/$name.webp")
  v=$(best_ms "${one_core[@]}" vips copy "$input" "$work/vips/$name.webp[Q=80]")
  bv=$(stat -c %s "$work/vips/$name.webp")
  printf '%-10s %14.1f %8d | %14d %14d %8d | %14d %8d\n' "$name" "$t" "$bt" "$c" "$ce" "$bc" "$v" "$bv"
  sum_t=$(echo "$sum_t + $t" | bc); sum_c=$((sum_c + c)); sum_ce=$((sum_ce + ce)); sum_v=$((sum_v + v))
  sum_bt=$((sum_bt + bt)); sum_bc=$((sum_bc + bc)); sum_bv=$((sum_bv + bv))
done
printf '%-10s %14.1f %8d | %14d %14d %8d | %14d %8d\n' "mean" "$(echo "$sum_t / $count" | bc -l)" \
       $((sum_bt / count)) $((sum_c / count)) $((sum_ce / count)) $((sum_bc / count)) $((sum_v / count)) \
       $((sum_bv / count))
awk -v t="$sum_bt" -v c="$sum_bc" -v v="$sum_bv" 'BEGIN {
  printf "bytes: tesselon %+.2f%% against cwebp, vips %+.2f%% against cwebp\n", (t / c - 1) * 100, (v / c - 1) * 100 }'

# The whole job for scale, every core.
for format in webp jpg; do
  rm -rf "$work/out-$format"
  start=$(date +%s%N)
  "$batch" --config "$work/j1.cfg" --source "$corpus" --dest "$work/out-$format" --format "$format" \
           --quality $([ "$format" = webp ] && echo 80 || echo 85) --quiet
  end=$(date +%s%N)
  printf 'J1 batch to %-4s on %d cores: %6d ms, %8d bytes\n' "$format" "$(nproc)" $(( (end - start) / 1000000 )) \
         "$(cat "$work/out-$format"/* | wc -c)"
done
