#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a private root and
# checks it the way an installation would be used: lintian's verdict, the declared
# dependencies against what the programs link and load, the desktop entry, metainfo,
# manual pages (the programs' and the settings file's) and bash completion, and both programs started from the unpacked
# /usr/bin by an ordinary user (who cannot write there) keeping their files in the
# per-user folder.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
smoke_dir=$(cd "$(dirname "$0")/../smoke" && pwd)
title="Tesselon - v0.3f"

work=$(mktemp -d)
chmod 755 "$work"
. "$smoke_dir/x_session.sh"
# The unpacked /usr/bin is made read-only when the test does not run as root.
trap 'stop_x; chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
log="$work/log"
fail() { echo "FAILED: $*"; [ -f "$log" ] && cat "$log"; exit 1; }

# 1. The package, unpacked.
(cd "$build" && cpack -G DEB -B "$work/pkg" >"$log" 2>&1) || fail "cpack"
deb=$(ls "$work"/pkg/tesselon_*_"$(dpkg --print-architecture)".deb)
case $(basename "$deb") in tesselon_0.3f_*.deb) ;; *) fail "unexpected package name $deb" ;; esac
dpkg-deb -x "$deb" "$work/root"
root="$work/root"
bin="$root/usr/bin"
[ "$(ls "$bin")" = "$(printf 'tesselon\ntesselon-batch')" ] || fail "programs: $(ls "$bin")"
# Debian's own check of the package finds no error (the copyright file, in the
# machine-readable format, and the changelog among them).
lintian --fail-on error --no-tag-display-limit "$deb" >"$log" 2>&1 || fail "lintian"
head -1 "$root/usr/share/doc/tesselon/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "copyright file not machine-readable"

# 2. Every package the programs need is declared: those of the libraries they link,
#    and those of what they load without linking (Qt's X11 platform plugin and Spanish
#    texts, the fonts the text overlay and the interface ask fontconfig for).
depends=" $(dpkg-deb -f "$deb" Depends | sed -e 's/([^)]*)//g' -e 's/[,|]/ /g') "
# The codec libraries of the web formats, named as Debian 12 ships them.
for library in libwebp7 libwebpdemux2 libwebpmux3 libavif15 libheif1; do
  case $depends in *" $library "*) ;; *) fail "Depends lacks $library:$depends" ;; esac
done
files=()
for program in "$bin"/*; do
  linked=$(ldd "$program")
  while read -r soname; do
    path=$(awk -v so="$soname" '$1 == so { print $3 }' <<<"$linked")
    [ -n "$path" ] || fail "$soname of $program not found"
    files+=("$path")
  done < <(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }')
done
qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null ||
  echo /usr/lib/"$(dpkg-architecture -qDEB_HOST_MULTIARCH)"/qt6/plugins)
files+=("$qt_plugins/platforms/libqxcb.so")
qt_translations=$(qtpaths6 --query QT_INSTALL_TRANSLATIONS 2>/dev/null ||
  echo /usr/share/qt6/translations)
files+=("$qt_translations/qtbase_es.qm")
for face in Arial Calibri DejaVuSans; do files+=("$(fc-match -f '%{file}' "$face")"); done
[ ${#files[@]} -gt 10 ] || fail "too few files needed: ${files[*]}"
# One look-up for all: dpkg knows each file under the path its package ships it at,
# which on a merged /usr may differ from the one the loader found.
declare -A owner
while IFS= read -r line; do
  owner[${line#*: }]=${line%%:*}
done < <(for f in "${files[@]}"; do printf '%s\n' "$f" "$(readlink -f "$f")" "/usr$f" "${f#/usr}"; done |
  sort -u | xargs dpkg -S 2>/dev/null | grep -v '^diversion')
for f in "${files[@]}"; do
  package=""
  for candidate in "$f" "$(readlink -f "$f")" "/usr$f" "${f#/usr}"; do
    package=${owner[$candidate]:-} && [ -n "$package" ] && break
  done
  [ -n "$package" ] || fail "no package owns $f"
  case $depends in *" $package "*) ;; *) fail "$package ($f) is needed but not in Depends:$depends" ;; esac
done

# 3. Desktop integration files and manual pages.
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
grep -q '^Categories=.*Graphics;.*Photography;' "$root"/usr/share/applications/*.desktop || fail "categories"
grep -q '^GenericName\[es\]=' "$root"/usr/share/applications/*.desktop || fail "no Spanish name"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$log" 2>&1 || fail "metainfo"
for size in 16 24 32 48 64 128 256 512; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tesselon.png"
  [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "icon $png"
done
[ -s "$root/usr/share/icons/hicolor/scalable/apps/tesselon.svg" ] || fail "no scalable icon"
for page in tesselon tesselon-batch; do
  file="$root/usr/share/man/man1/$page.1.gz"
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" >"$work/$page.txt" 2>"$log" || fail "man $page"
  [ ! -s "$log" ] || fail "man $page warns"
  grep -q "^NAME" "$work/$page.txt" && grep -q "XDG_CONFIG_HOME/tesselon/" "$work/$page.txt" ||
    fail "manual $page: $(head -20 "$work/$page.txt")"
done
grep -q -- "--keep-metadata" "$work/tesselon-batch.txt" || fail "manual without --keep-metadata"
# The settings file's page, in section 5.
file="$root/usr/share/man/man5/tesselon.cfg.5.gz"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" >"$work/tesselon.cfg.txt" 2>"$log" || fail "man tesselon.cfg"
[ ! -s "$log" ] || fail "man tesselon.cfg warns"
grep -q "^   \[ProcesosImage\]$" "$work/tesselon.cfg.txt" && grep -q "^       ColorFondo (colour)$" "$work/tesselon.cfg.txt" ||
  fail "manual tesselon.cfg: $(head -20 "$work/tesselon.cfg.txt")"
completions=$(bash -c '. "$1"; COMP_WORDS=(tesselon-batch --keep); COMP_CWORD=1; _tesselon_batch; echo "${COMPREPLY[*]}"
                       COMP_WORDS=(tesselon-batch --format ""); COMP_CWORD=2; _tesselon_batch; echo "${COMPREPLY[*]}"
                       COMP_WORDS=(tesselon-batch --extensions jpg,he); COMP_CWORD=2; _tesselon_batch; echo "${COMPREPLY[*]}"' \
  _ "$root/usr/share/bash-completion/completions/tesselon-batch")
[ "$completions" = "$(printf -- '--keep-metadata\noriginal jpg png gif webp avif\njpg,heic jpg,heif')" ] ||
  fail "completion: $completions"
# The manual lists every format the program reads, from its own table.
for name in WebP AVIF HEIC HEIF; do
  grep -q "^       $name (" "$work/tesselon-batch.txt" || fail "manual without $name"
done

# 4. The programs run by an ordinary user, who cannot write in the unpacked /usr/bin.
home="$work/home"
mkdir -p "$home" "$work/out"
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$home" "$work/out"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod 555 "$bin"
  as_user=()
fi
chmod -R a+rX "$root"
mkdir -p "$work/photos/trip"
convert -size 320x200 gradient:'#2050c0-#f0c040' "$work/photos/a.jpg"
convert -size 200x320 plasma:fractal "$work/photos/trip/b.png"
chmod -R a+rX "$work/photos"
config="$home/config"
"${as_user[@]}" env HOME="$home" XDG_CONFIG_HOME="$config" "$bin/tesselon-batch" --source "$work/photos" \
  --dest "$work/out" --subfolders --auto-orient --keep-metadata --save-config default.cfg >"$log" 2>&1 ||
  fail "tesselon-batch run"
[ -s "$config/tesselon/default.cfg" ] || fail "default.cfg not in the per-user folder"
[ "$(stat -c %a "$config/tesselon")" = 700 ] || fail "per-user folder mode $(stat -c %a "$config/tesselon")"
[ -s "$work/out/a.jpg" ] && [ -s "$work/out/trip/b.png" ] || fail "no results: $(find "$work/out")"
help=$("${as_user[@]}" env HOME="$home" XDG_CONFIG_HOME= "$bin/tesselon-batch" --help)
grep -q "^tools): $home/.config/tesselon/\$" <<<"$help" && grep -q "per-user folder" <<<"$help" ||
  fail "--help: $help"

# 5. The desktop program from the unpacked root asks for consent and records it in the
#    per-user folder, in a private X server.
start_x
"${as_user[@]}" env HOME="$home" XDG_CONFIG_HOME="$config" DISPLAY="$DISPLAY" "$bin/tesselon" >"$log" 2>&1 &
app_pid=$!
answer "ATENCIÓN/PLEASE NOTE"
answer "Recontar nº de imágenes"
wait_window "$title" >/dev/null || fail "main window never appeared"
sleep 1
terminate
[ "$(stat -c %s "$config/tesselon/HayConsentimiento.dat")" -eq 84 ] || fail "consent not in the per-user folder"
[ "$(ls "$bin")" = "$(printf 'tesselon\ntesselon-batch')" ] || fail "files written beside the programs: $(ls "$bin")"

echo "package test passed"
