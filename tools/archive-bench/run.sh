#!/usr/bin/env bash
# Benchmark by hand: builds a ~300 MB archive of real mixed data (a copy of
# the system's shared libraries) under /tmp, unpacks it with unpackArchive and
# with "7zz x", prints time and peak memory, and deletes everything it made.
# It exits non-zero when an unpack fails or the two outputs differ.
#
#   [SIZE_MB=300] tools/archive-bench/run.sh [build-dir] [rounds]
#
# Targets: unpackArchive at most 1.1 x the time of "7zz x", peak memory
# under 400 MiB.
set -euo pipefail

build=${1:-build/normal}
rounds=${2:-5}
limit=$((${SIZE_MB:-300} * 1000000))
bench="$build/tools/archive-bench/archive-bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 1; }

work=$(mktemp -d /tmp/archive-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Shared libraries, in a stable order, up to SIZE_MB (at least one file).
mkdir -p "$work/data"
total=0
while IFS= read -r -d '' file; do
  size=$(stat -c %s "$file")
  [ "$total" -eq 0 ] || [ $((total + size)) -le "$limit" ] || break
  dest="$work/data${file#/usr/lib}"
  mkdir -p "$(dirname "$dest")"
  cp "$file" "$dest"
  total=$((total + size))
done < <(find /usr/lib -type f -name '*.so*' -size +4k -print0 | sort -z)
echo "data: $total bytes"

(cd "$work/data" && 7z a -bd -bso0 "$work/bench.7z" .)
rm -rf "$work/data"

"$bench" "$work/bench.7z" "$work" "$rounds"
