#!/usr/bin/env bash
# Runs one of the scripts that are otherwise run by hand (the benchmarks, the
# window pictures) on tiny data: it has to run to its end and exit 0; its
# figures are not looked at. It runs in a folder of its own, with a HOME, XDG
# folders and TMPDIR of its own there, all removed at the end.
#
#   run-smoke.sh [--own-network] <script> [arguments...]
#
# With --own-network it runs in a network namespace of its own with only the
# loopback up, for a BitTorrent session with the product's settings; where no
# namespace can be made, the test is skipped (exit 77).
set -euo pipefail

own_network=0
if [ "${1:-}" = --own-network ]; then
  own_network=1
  shift
fi

work=$(mktemp -d /tmp/launcher-smoke.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config" "$work/home/.local/share" "$work/home/.cache" "$work/tmp" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
cd "$work"

if [ "$own_network" = 1 ]; then
  if ! unshare -n true 2>/dev/null; then
    echo "no network namespace can be made here: skipped"
    exit 77
  fi
  unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
else
  "$@"
fi
