#!/usr/bin/env bash
# Benchmark by hand: the launcher's BitTorrent download step for one content
# of 500 MiB of random data, beside "curl -o" of the same file in the same
# round, all on 127.0.0.1:
#   web seed  the torrent's only source is its HTTP mirror, served by nginx
#   peer      the torrent's only source is a local seeder (TCP, found
#             through a tracker answer that nginx serves as a static file)
# The download step is timed as a whole update job through AutoUpdate (the
# manifest, the .torrent, the transfer, the wait; the content is no archive,
# so the job ends at the unpacking). Peak memory is that of the process.
# Everything lives under /tmp and is deleted at the end; nginx and the seeder
# are stopped by their pids. Given several build directories (say one of the
# base and one of a change), each round times every build in turn beside its
# own curl run, against the same data and servers; the .torrent files, the
# manifests and the seeder come from the first build. The medians of each
# build end the run.
#
#   [ROUNDS=3] [SIZE_MIB=500] tools/torrent-bench/run.sh [build-dir...]
#
# The build directory defaults to build/normal. Run it in a network
# namespace of its own (as root), so that nothing but these local servers
# can be reached:
#   unshare -n sh -c 'ip link set lo up && tools/torrent-bench/run.sh A B'
#
# Targets: within 1.5 x curl's time from the web seed, 2 x from the peer;
# memory flat (not growing with the content).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -gt 0 ] || set -- "$root/build/normal"
for build in "$@"; do
  [ -x "$build/tools/torrent-bench/torrent-bench" ] \
    || { echo "build $build/tools/torrent-bench/torrent-bench first" >&2; exit 1; }
done
bench=$1/tools/torrent-bench/torrent-bench
rounds=${ROUNDS:-3}
size_mib=${SIZE_MIB:-500}

work=$(mktemp -d /tmp/torrent-bench.XXXXXX)
chmod 755 "$work" # nginx workers read it as another user
nginx_pid=
seeder_pid=
stop() { # pid: ends the process and waits for it
  if [ -n "$1" ]; then kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; fi
}
cleanup() {
  stop "$seeder_pid"
  stop "$nginx_pid"
  rm -rf "$work"
}
trap cleanup EXIT

www=$work/www
mkdir -p "$www" "$work/nginx/logs"
content=content_1.0.0.7z
head -c $((size_mib << 20)) /dev/urandom > "$www/$content"
echo "content: $size_mib MiB of random data"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$work/nginx/nginx.conf" <<EOF
daemon off;
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  default_type application/octet-stream;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$port;
    root $www;
  }
}
EOF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
base="http://127.0.0.1:$port"
for _ in $(seq 100); do curl -sf -o /dev/null -r 0-0 "$base/$content" && break; sleep 0.05; done

"$bench" torrent "$www/$content" "$www/web.torrent" --web-seed "$base/$content"
"$bench" torrent "$www/$content" "$www/peer.torrent" --tracker "$base/announce"
"$bench" manifest "$www/web.json" "$base/web.torrent" "$www/$content" "$base/$content"
"$bench" manifest "$www/peer.json" "$base/peer.torrent" "$www/$content"

measure() { # command...: prints "seconds peak-MiB" of it; its output goes to $work/out
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$work/out" || true
  tail -n 1 "$work/time" | awk '{ printf "%s %.0f\n", $1, $2 / 1024 }'
}
job() { # build manifest app-dir: prints "seconds peak-MiB", checks the file
  local s mib
  read -r _ mib < <(measure "$1/tools/torrent-bench/torrent-bench" download "$base/$2" "$3")
  s=$(cat "$work/out")
  cmp -s "$3/Update/$content" "$www/$content" || { echo "the download from $2 differs" >&2; exit 1; }
  rm -rf "$3"
  echo "$s $mib"
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq "$rounds"); do
 for build in "$@"; do
  sync
  read -r curl_s curl_mib < <(measure curl -sf -o "$work/curl.out" "$base/$content")
  rm -f "$work/curl.out"

  sync
  read -r web_s web_mib < <(job "$build" web.json "$work/app")

  # The seeder checks its data first and then serves from memory.
  rm -f "$work/seeder.port"
  "$bench" seed "$www/peer.torrent" "$www" "$work/seeder.port" &
  seeder_pid=$!
  for _ in $(seq 600); do [ -s "$work/seeder.port" ] && break; sleep 0.05; done
  peer_port=$(cat "$work/seeder.port")
  printf 'd8:intervali1800e5:peers6:\x7f\x00\x00\x01'"$(printf '\\x%02x\\x%02x' $((peer_port >> 8)) $((peer_port & 255)))"'e' \
    > "$www/announce"
  sync
  read -r peer_s peer_mib < <(job "$build" peer.json "$work/app")
  stop "$seeder_pid"
  seeder_pid=

  echo "$build $curl_s $web_s $web_mib $peer_s $peer_mib" >> "$work/results"
  awk -v r="$round" -v b="$build" -v c="$curl_s" -v cm="$curl_mib" -v w="$web_s" -v wm="$web_mib" -v p="$peer_s" \
    -v pm="$peer_mib" -v l="$(cut -d' ' -f1 /proc/loadavg)" \
    'BEGIN { printf "round %d, %s: curl %.2f s %d MiB | web seed %.2f s %d MiB (%.2f x) | peer %.2f s %d MiB (%.2f x) | load %s\n",
             r, b, c, cm, w, wm, w / c, p, pm, p / c, l }'
 done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for build in "$@"; do
  c=$(awk -v b="$build" '$1 == b { print $2 }' "$work/results" | median)
  w=$(awk -v b="$build" '$1 == b { print $3 }' "$work/results" | median)
  p=$(awk -v b="$build" '$1 == b { print $5 }' "$work/results" | median)
  m=$(awk -v b="$build" '$1 == b { if ($4 > m) m = $4; if ($6 > m) m = $6 } END { print m }' "$work/results")
  awk -v b="$build" -v c="$c" -v w="$w" -v p="$p" -v m="$m" \
    'BEGIN { printf "median, %s: curl %.2f s | web seed %.2f s (%.2f x) | peer %.2f s (%.2f x) | peak %d MiB\n",
             b, c, w, w / c, p, p / c, m }'
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
