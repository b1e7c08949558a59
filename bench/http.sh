#!/usr/bin/env bash
# The HTTP service's download speed from a server on 127.0.0.1 beside wget's, and the
# time the update check against the built-in hosts adds to a start.
# Usage: bench/http.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
megabytes=${2:-256}
work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

head -c "${megabytes}M" /dev/urandom >"$work/big.bin"
/usr/bin/python3 tests/support/http_test_server.py --root "$work/" >"$work/port" &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cut -d' ' -f2 "$work/port")/big.bin"

echo "service: $("$build/bench/http_bench" "$url" 3)"
best=""
for _ in 1 2 3; do
  start=$(date +%s.%N)
  wget -q -O "$work/wget.bin" "$url"
  t=$(echo "$(date +%s.%N) - $start" | bc)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" -eq 1 ]; then best=$t; fi
done
echo "wget:    ${megabytes} MB to a file in $best s ($(echo "$megabytes * 1.048576 / $best" | bc) MB/s)"
"$build/bench/http_bench" --update-check
