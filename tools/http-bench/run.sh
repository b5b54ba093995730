#!/usr/bin/env bash
# Benchmarks net::HttpConnection::download against "curl -o" on files of
# 64 MiB and 1 GiB served by the test server on 127.0.0.1. The data lives in
# a temporary directory under /tmp that is removed at the end.
#   [ROUNDS=5] tools/http-bench/run.sh [build directory, default build/normal]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/normal}
bench=$build/tools/http-bench/http-bench
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 1; }

work=$(mktemp -d /tmp/http-bench-XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/root"
head -c $((64 << 20)) /dev/urandom > "$work/root/64M.bin"
head -c $((1 << 30)) /dev/urandom > "$work/root/1G.bin"

/usr/bin/python3 -I "$root/tests/support/http_test_server.py" --root "$work/root" \
  --port-file "$work/port" --max-seconds 1800 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

for file in 64M.bin 1G.bin; do
  echo "== $file"
  env -u http_proxy -u HTTP_PROXY -u all_proxy -u ALL_PROXY \
    "$bench" "http://127.0.0.1:$port/$file" "$work/out.bin" "${ROUNDS:-5}"
done
