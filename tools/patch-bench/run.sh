#!/usr/bin/env bash
# Benchmark of patching a large file, run by hand:
#   tools/patch-bench/run.sh [BUILD_DIR [SIZE_MB [EDITS]]]
# Takes SIZE_MB (200) of real mixed data from this system (Python sources
# and byte code, icons, programs), makes a second version with EDITS (2300)
# scattered edits, encodes the delta with jdiff-encode and measures, three
# times each: sha1sum, Patch::fileHash, the decoder alone, and Patch::apply
# (hash, decode, hash, rename) on a game directory holding the file. The
# data lives in a temporary folder under /tmp, removed at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/normal}" && pwd)
size_mb=${2:-200}
edits=${3:-2300}
bench=$build/tools/patch-bench/patch-bench
encode=$build/tools/jdiff-encode/jdiff-encode

data=$(mktemp -d /tmp/patch-bench.XXXXXX)
trap 'rm -rf "$data"' EXIT

seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%8.3f s", b - a }'; }

echo "data: $size_mb MB from /usr, $edits edits, in $data"
{ tar -cf - /usr/lib/python3 /usr/share/icons /usr/bin 2>/dev/null || true; } \
  | head -c $((size_mb * 1000 * 1000)) >"$data/old.bin"
"$bench" edit "$data/old.bin" "$data/new.bin" "$edits" 1
t0=$(seconds)
"$encode" "$data/old.bin" "$data/new.bin" "$data/delta"
t1=$(seconds)
echo "encode $(elapsed "$t0" "$t1")  old $(stat -c %s "$data/old.bin") B, new $(stat -c %s "$data/new.bin") B, delta $(stat -c %s "$data/delta") B"

sha_old=$(sha1sum "$data/old.bin" | cut -d' ' -f1)
sha_new=$(sha1sum "$data/new.bin" | cut -d' ' -f1)
mkdir -p "$data/patch"
cp "$data/delta" "$data/patch/data.bin"
cat >"$data/patch/patch.conf" <<CONF
{"version_from": "1.0.0", "patch": {"modified": [
  {"path": "data.bin", "sha1_old": "$sha_old", "sha1_new": "$sha_new", "size": $(stat -c %s "$data/new.bin")}
]}}
CONF

for run in 1 2 3; do
  t0=$(seconds)
  sha1sum "$data/new.bin" >/dev/null
  t1=$(seconds)
  echo "sha1sum $(elapsed "$t0" "$t1")"
  "$bench" hash "$data/new.bin"
done
for run in 1 2 3; do
  rm -f "$data/out.bin"
  "$bench" decode "$data/old.bin" "$data/delta" "$data/out.bin"
  cmp "$data/out.bin" "$data/new.bin"
done
rm -f "$data/out.bin"
for run in 1 2 3; do
  rm -rf "$data/game" "$data/work"
  mkdir -p "$data/game"
  cp "$data/old.bin" "$data/game/data.bin"
  sync -f "$data/game/data.bin"
  "$bench" apply "$data/game" "$data/patch" "$data/work"
  cmp "$data/game/data.bin" "$data/new.bin"
done
