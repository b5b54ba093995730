#!/usr/bin/env bash
# Benchmark by hand: a synthetic game of about 300 MB of real mixed data (a
# copy of the system's shared libraries) in four versions, published as a
# full package of 1.0.0 and the patches 1.0.0 -> 1.1.0 -> 1.2.0 -> 1.3.0 and
# served by the test server on 127.0.0.1. One fresh update job through
# AutoUpdate (full package, then the chain) is timed beside a shell pipeline
# of the same steps with standard tools: curl for each archive, "7zz x" for
# each, and a SHA-1 check of the unpacked game and patch files against a
# reference list. The pipeline cannot apply the deltas (no standard tool
# reads them), so the engine's extra work there counts against it. The
# engine's result is then checked file by file against version 1.3.0.
# Everything lives under /tmp and is deleted at the end.
#
#   [ROUNDS=3] [SIZE_MB=300] tools/update-bench/run.sh [build-dir]
#
# Targets: the job at most 1.3 x the pipeline's time, peak memory under 500 MiB.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/normal}
bench=$build/tools/update-bench/update-bench
publisher=$build/tools/publish/publish-release
for program in "$bench" "$publisher"; do
  [ -x "$program" ] || { echo "build $program first" >&2; exit 1; }
done
rounds=${ROUNDS:-3}
limit=$((${SIZE_MB:-300} * 1000000))

work=$(mktemp -d /tmp/update-bench.XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Version 1.0.0: shared libraries, in a stable order, up to SIZE_MB (at
# least one file).
v="$work/versions"
mkdir -p "$v/1.0.0"
total=0
while IFS= read -r -d '' file; do
  size=$(stat -c %s "$file")
  [ "$total" -eq 0 ] || [ $((total + size)) -le "$limit" ] || break
  dest="$v/1.0.0${file#/usr/lib}"
  mkdir -p "$(dirname "$dest")"
  cp "$file" "$dest"
  total=$((total + size))
done < <(find /usr/lib -type f -name '*.so*' -size +4k -print0 | sort -z)
echo "game: $total bytes, $(find "$v/1.0.0" -type f | wc -l) files"

# Each later version changes a block in every 20th file and appends to it,
# drops every 101st file and adds one new file of 2 MB.
previous=1.0.0
step=0
for next in 1.1.0 1.2.0 1.3.0; do
  step=$((step + 1))
  cp -r "$v/$previous" "$v/$next"
  i=0
  while IFS= read -r -d '' file; do
    i=$((i + 1))
    if [ $(((i + step * 7) % 101)) -eq 0 ]; then
      rm "$file"
    elif [ $(((i + step) % 20)) -eq 0 ]; then
      size=$(stat -c %s "$file")
      dd if=/dev/urandom of="$file" bs=4096 count=1 seek=$((size / 8192)) conv=notrunc status=none
      head -c 1000 /dev/urandom >> "$file"
    fi
  done < <(find "$v/$next" -type f -print0 | sort -z)
  head -c $((2 << 20)) /dev/urandom > "$v/$next/added-$next.bin"
  previous=$next
done

/usr/bin/python3 -I "$root/tests/support/http_test_server.py" --root "$work/release" \
  --port-file "$work/port" --max-seconds 3600 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")
base="http://127.0.0.1:$port"

"$publisher" --versions "$v" --out "$work/release" --url "$base" --full 1.0.0 --level 5 >/dev/null
ls -l "$work/release" | awk 'NR > 1 { print "  " $5 "  " $9 }'
archives=(qmx_full_1.0.0.7z qmx_patch_1.0.0_1.1.0.7z qmx_patch_1.1.0_1.2.0.7z qmx_patch_1.2.0_1.3.0.7z)

# The reference lists: the files of each archive, and the final game.
mkdir "$work/refs"
for archive in "${archives[@]}"; do
  mkdir "$work/ref"
  7zz x -y -bd -o"$work/ref" "$work/release/$archive" >/dev/null
  (cd "$work/ref" && find . -type f -print0 | sort -z | xargs -0 sha1sum) > "$work/refs/${archive%.7z}.sha1"
  rm -rf "$work/ref"
done
(cd "$v/1.3.0" && find . -type f -print0 | sort -z | xargs -0 sha1sum) > "$work/final.sha1"
rm -rf "$v"

measure() { # command...: prints "seconds peak-kB" of it and its children
  if ! /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null; then
    echo "update-bench: failed: $*" >&2
    return 1
  fi
  cat "$work/time"
}

for round in $(seq "$rounds"); do
  sync
  figures=$(measure "$bench" "$base/update.json" "$work/app")
  read -r job_s job_kb <<<"$figures"
  (cd "$work/app/Game" && find . -type f -print0 | sort -z | xargs -0 sha1sum) | cmp -s - "$work/final.sha1" \
    || { echo "round $round: the engine's game differs from 1.3.0" >&2; exit 1; }
  rm -rf "$work/app"

  sync
  figures=$(measure "$root/tools/update-bench/pipeline.sh" "$base" "$work/refs" "$work/pipe" "${archives[@]}")
  read -r pipe_s pipe_kb <<<"$figures"
  rm -rf "$work/pipe"

  awk -v r="$round" -v js="$job_s" -v jk="$job_kb" -v ps="$pipe_s" -v pk="$pipe_kb" 'BEGIN {
    printf "round %d: AutoUpdate %.2f s, %.0f MiB peak | pipeline %.2f s, %.0f MiB peak | ratio %.2f\n",
           r, js, jk / 1024, ps, pk / 1024, js / ps }'
done
