#!/usr/bin/env bash
# Benchmarks net::HttpConnection::download against "curl -o" on files of
# 64 MiB and 1 GiB (SIZES_MIB) served by the test server on 127.0.0.1. Given several
# build directories (say one of the base and one of a change), each file is
# fetched with each build in turn from the same server and data, so that
# their figures come from one run. The data lives in a temporary directory
# under /tmp that is removed at the end.
#   [ROUNDS=5] [SIZES_MIB="64 1024"] tools/http-bench/run.sh [build directory...]
# The build directory defaults to build/normal.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -gt 0 ] || set -- "$root/build/normal"
for build in "$@"; do
  [ -x "$build/tools/http-bench/http-bench" ] || { echo "build $build/tools/http-bench/http-bench first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/http-bench-XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/root"
files=()
for mib in ${SIZES_MIB:-64 1024}; do
  head -c $((mib << 20)) /dev/urandom > "$work/root/${mib}MiB.bin"
  files+=("${mib}MiB.bin")
done

/usr/bin/python3 -I "$root/tests/support/http_test_server.py" --root "$work/root" \
  --port-file "$work/port" --max-seconds 1800 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

for file in "${files[@]}"; do
  for build in "$@"; do
    echo "== $file, $build (load: $(cut -d' ' -f1-3 /proc/loadavg))"
    env -u http_proxy -u HTTP_PROXY -u all_proxy -u ALL_PROXY \
      "$build/tools/http-bench/http-bench" "http://127.0.0.1:$port/$file" "$work/out.bin" "${ROUNDS:-5}"
  done
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
