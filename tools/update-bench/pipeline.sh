#!/usr/bin/env bash
# The standard-tools side of the update benchmark: fetches the manifest and
# each archive with curl, unpacks the full package into Game and each patch
# into UpdateTemp/<name> with "7zz x", and checks the unpacked files against
# the reference lists <reference-dir>/<archive name without .7z>.sha1.
#
#   pipeline.sh <base-url> <reference-dir> <out-dir> <full-archive> [<patch-archive> ...]
set -euo pipefail

base=$1 refs=$2 out=$3
shift 3
mkdir -p "$out/Update" "$out/Game"
curl -sf -o /dev/null "$base/update.json"
full=$1
for archive in "$@"; do
  curl -sf -o "$out/Update/$archive" "$base/$archive"
  dest="$out/UpdateTemp/${archive%.7z}"
  [ "$archive" = "$full" ] && dest="$out/Game"
  7zz x -y -bd -o"$dest" "$out/Update/$archive" >/dev/null
  (cd "$dest" && sha1sum --quiet -c "$refs/${archive%.7z}.sha1")
done
