#!/usr/bin/env bash
# Regenerates the image fixtures in this folder with ImageMagick (Debian's imagemagick).
# The tests also build exact images of their own with libpng, giflib and libtiff; these
# files add what other writers produce: progressive and CMYK JPEG, Adam7 PNG, and so on.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A small photo-like picture: a colour gradient with noise.
convert -size 64x48 gradient:'#d04020'-'#2060c0' -seed 7 -attenuate 0.4 +noise Gaussian "$tmp/photo.png"

convert "$tmp/photo.png" -quality 85 photo.jpg
convert "$tmp/photo.png" -quality 85 -interlace JPEG progressive.jpg
convert "$tmp/photo.png" -colorspace Gray -quality 85 grey.jpg
convert -size 16x16 xc:'#ff0000' -colorspace CMYK -quality 95 cmyk_red.jpg

convert "$tmp/photo.png" -interlace PNG adam7.png
convert "$tmp/photo.png" -depth 16 -alpha set -channel A -evaluate set 50% +channel rgba16.png
convert -size 16x8 xc:'#00ff00' -fill none -draw 'color 0,0 point' -type PaletteAlpha palette_trns.png

convert "$tmp/photo.png" -depth 16 -compress lzw rgb16.tif
convert "$tmp/photo.png" -alpha set -channel A -evaluate set 50% +channel -depth 8 -compress zip rgba8.tif

convert "$tmp/photo.png" -type TrueColor bmp3:rgb24.bmp

# Three 8x8 frames: red square top-left, then blue square bottom-right, on transparency.
convert -size 8x8 xc:none -fill red -draw 'rectangle 0,0 3,3' "$tmp/f1.png"
convert -size 8x8 xc:none -fill blue -draw 'rectangle 4,4 7,7' "$tmp/f2.png"
convert -size 8x8 xc:none -fill lime -draw 'rectangle 0,4 3,7' "$tmp/f3.png"
convert -dispose none -delay 10 "$tmp/f1.png" -dispose previous -delay 20 "$tmp/f2.png" \
        -dispose background -delay 30 "$tmp/f3.png" -loop 0 animated.gif

# Web formats, written by Debian's own tools (webp, libavif-bin, libheif-examples): a
# photo and a picture with transparency each, a two-frame animation, and an AVIF whose
# stored picture lies a quarter turned, which its rotation property turns back: it shows
# as the photo.
convert -size 64x48 xc:none -fill '#ff000080' -draw 'rectangle 0,0 31,47' -fill blue -draw 'rectangle 32,0 63,23' \
        "$tmp/alpha.png"
cwebp -quiet -q 80 "$tmp/photo.png" -o photo.webp
cwebp -quiet -q 80 -exact "$tmp/alpha.png" -o alpha.webp
convert -size 16x16 xc:red "$tmp/a1.png"
convert -size 16x16 xc:blue "$tmp/a2.png"
img2webp -loop 0 -d 100 -lossless "$tmp/a1.png" "$tmp/a2.png" -o animated.webp >/dev/null
avifenc -s 8 --min 10 --max 10 "$tmp/photo.png" photo.avif >/dev/null
avifenc -s 8 --min 10 --max 10 "$tmp/alpha.png" alpha.avif >/dev/null
heif-enc -q 80 "$tmp/photo.png" -o photo.heic >/dev/null
convert "$tmp/photo.png" -rotate -90 "$tmp/turned.png"
avifenc -s 8 --irot 3 "$tmp/turned.png" turned.avif >/dev/null
