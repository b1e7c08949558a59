# Debian packages the project needs, and a function that installs the missing ones.
# Sourced by scripts/run and scripts/test.

TESSELON_BUILD_PACKAGES="cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libcairo2-dev libpango1.0-dev libpng-dev libjpeg62-turbo-dev
  libgif-dev libtiff-dev libcurl4-openssl-dev nettle-dev ca-certificates
  fonts-crosextra-carlito fonts-liberation2 fonts-dejavu-core xdg-utils qt6-translations-l10n"

TESSELON_TEST_PACKAGES="libgtest-dev libgmock-dev googletest python3 python3-pyftpdlib
  xvfb xauth imagemagick x11-utils xdotool wget aria2 libjpeg-turbo-progs openssl"

# Only the benchmarks need these: the tools bench/run compares against, and the large
# photos of mate-backgrounds that bench/preview times.
TESSELON_BENCH_PACKAGES="imagemagick graphicsmagick libvips-tools time bc fonts-liberation2 mate-backgrounds"

ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
