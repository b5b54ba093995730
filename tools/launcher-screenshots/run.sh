#!/usr/bin/env bash
# Pictures of the main window, for a look by eye: publishes a small game
# (24 MB of noise, one full package), serves it on 127.0.0.1 at 4 MB/s so
# that the download lasts a few seconds, and runs launcher-screenshots
# against it. The pictures land in the output folder; everything else lives
# under /tmp and is deleted at the end.
#
#   tools/launcher-screenshots/run.sh [output-dir] [build-dir] [language]
#
# With XVFB=1 the window is drawn on a real X server (xvfb-run) instead of
# offscreen.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-screenshots}")
build=${2:-$root/build/normal}
language=${3:-en_US}
shots=$build/tools/launcher-screenshots/launcher-screenshots
publisher=$build/tools/publish/publish-release
for program in "$shots" "$publisher"; do
  [ -x "$program" ] || { echo "build $program first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/launcher-screenshots.XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/versions/1.0.0/data"
head -c $((24 << 20)) /dev/urandom > "$work/versions/1.0.0/data/pack.bin"
echo "Quillmere 4" > "$work/versions/1.0.0/readme.txt"
echo '{"/qmx_full_1.0.0.7z": {"rate": 4194304}}' > "$work/rules.json"

/usr/bin/python3 -I "$root/tests/support/http_test_server.py" --root "$work/release" \
  --rules "$work/rules.json" --port-file "$work/port" --max-seconds 600 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$work/port")"
"$publisher" --versions "$work/versions" --out "$work/release" --url "$base" --level 0 >/dev/null

if [ "${XVFB:-0}" = 1 ]; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$shots" "$base/update.json" "$work/app" "$out" "$language"
else
  "$shots" "$base/update.json" "$work/app" "$out" "$language"
fi
