# Sourced by the benchmarks: sets `batch` to the tesselon-batch to measure, from $1 as
# either an executable or a build folder (built first), default build/.
target=${1:-build}
if [ -x "$target" ] && [ ! -d "$target" ]; then
  batch=$(realpath "$target")
else
  cmake --build "$target" --target tesselon-batch >/dev/null
  batch="$PWD/$target/bin/tesselon-batch"
fi
