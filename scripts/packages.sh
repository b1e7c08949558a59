# Debian packages the project needs, and a function that installs the missing ones.
# Sourced by scripts/run, scripts/test and scripts/package.

TESSELON_BUILD_PACKAGES="cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libcairo2-dev libpango1.0-dev libpng-dev libjpeg62-turbo-dev
  libgif-dev libtiff-dev libexif-dev libwebp-dev libavif-dev libheif-dev libcurl4-openssl-dev nettle-dev
  libssh-dev libssl-dev ca-certificates
  fonts-crosextra-carlito fonts-liberation2 fonts-dejavu-core xdg-utils qt6-translations-l10n"

# scripts/package: dpkg-shlibdeps lists the package's library dependencies, with file.
TESSELON_PACKAGE_PACKAGES="dpkg-dev file"

# The package test also checks the desktop entry, the metainfo and the manual pages,
# and runs lintian on the package. Debian's WebP, AVIF and HEIF tools write and check
# the web-format test files; mate-backgrounds gives the real photographs.
TESSELON_TEST_PACKAGES="libgtest-dev libgmock-dev googletest python3 python3-pyftpdlib openssh-server python3-paramiko vsftpd
  xvfb xauth openbox imagemagick x11-utils xdotool wget aria2 libjpeg-turbo-progs openssl exiv2 strace parallel
  webp libavif-bin libheif-examples mate-backgrounds
  $TESSELON_PACKAGE_PACKAGES desktop-file-utils appstream man-db lintian"

# Only the benchmarks need these: the tools bench/run, bench/avif and bench/ftp compare against,
# and the large photos that bench/metadata.sh and bench/preview use; bench/slurm.sh starts
# a one-node Slurm cluster of its own; bench/window-batch clicks through XTEST.
TESSELON_BENCH_PACKAGES="imagemagick graphicsmagick libvips-tools time bc fonts-liberation2 webp libavif-bin libheif-examples libjpeg-turbo-progs linux-perf
  mate-backgrounds exiv2 lftp wget python3 python3-pyftpdlib python3-openssl vsftpd openssh-server openssh-client sshpass curl
  parallel slurm-wlm munge rclone libxtst-dev"

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
