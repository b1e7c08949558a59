#!/usr/bin/env bash
# Renders the application icon tesselon.svg into the PNG sizes of the hicolor theme
# (tesselon_<size>.png beside it). Needs rsvg-convert (Debian: librsvg2-bin); the PNG
# files are kept in the repository so that building needs neither.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256 512; do
  rsvg-convert --width "$size" --height "$size" tesselon.svg --output "tesselon_$size.png"
done
