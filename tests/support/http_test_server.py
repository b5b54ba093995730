#!/usr/bin/env python3
"""Local HTTP/HTTPS server for the launcher's tests and benchmarks.

It listens on 127.0.0.1 only, on the given port or a free one (0), and writes
the port it got to --port-file once it accepts connections. It serves the files
below --root, answers Range requests with 206, echoes POST bodies, and can
misbehave on chosen paths, as the --rules file says. The rules file is read
again for every request, so a test may change it while the server runs:

  {
    "/path": {
      "status": 404,            # status code (default 200; 206 for a range)
      "body": "text",           # body text instead of a file
      "body_size": 123456,      # generated body of that many bytes instead of a file
      "headers": {"X-A": "b"},  # extra response headers
      "redirect": "/other",     # Location (status 302 unless "status" says otherwise)
      "length": "none",         # no Content-Length: the body ends when the connection closes
      "declared_length": 1000,  # Content-Length to announce instead of the true one
      "chunked": true,          # chunked transfer encoding
      "drop_after": 5000,       # send that many body bytes, then reset the connection
      "stall_after": 100,       # send that many body bytes, then send nothing
      "stall_seconds": 30,      # how long a stall lasts before the connection closes
      "rate": 65536             # throttle the body to that many bytes per second
    }
  }

Every request is appended to --log as one JSON line: method, target (as sent),
path, query, headers, the client's port and, for POST, the body as text.

The server ends itself when its parent process goes away and after
--max-seconds, so that a test that is killed leaves nothing running.
"""

import argparse
import http.server
import json
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse

CHUNK = 64 * 1024


class Body:
    """A body as a byte range of a file or of a generated pattern."""

    def __init__(self, size, path=None, data=None):
        self.size = size
        self.path = path
        self.data = data

    def chunks(self, start, end):
        """Yields the bytes [start, end) in pieces of at most CHUNK."""
        if self.data is not None:
            for pos in range(start, end, CHUNK):
                yield self.data[pos:min(end, pos + CHUNK)]
            return
        if self.path is None:
            for pos in range(start, end, CHUNK):
                yield pattern(pos, min(end, pos + CHUNK))
            return
        with open(self.path, "rb") as f:
            f.seek(start)
            left = end - start
            while left > 0:
                piece = f.read(min(CHUNK, left))
                if not piece:
                    return
                left -= len(piece)
                yield piece


_PATTERN = bytes(range(251)) * (CHUNK // 251 + 2)


def pattern(start, end):
    """The generated body: byte i is i modulo 251 (tests recompute it)."""
    offset = start % 251
    out = bytearray()
    while start < end:
        n = min(end - start, CHUNK)
        out += _PATTERN[offset:offset + n]
        start += n
        offset = start % 251
    return bytes(out)


def parse_range(header, size):
    """(start, end) for a single "bytes=a-b" range, None for no usable range,
    "unsatisfiable" for a range outside the body."""
    if not header or not header.startswith("bytes=") or "," in header:
        return None
    first, _, last = header[6:].strip().partition("-")
    try:
        if first == "":
            count = int(last)
            if count <= 0:
                return "unsatisfiable"
            return max(0, size - count), size
        start = int(first)
        end = int(last) + 1 if last else size
    except ValueError:
        return None
    if start >= size or end <= start:
        return "unsatisfiable"
    return start, min(end, size)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer"
    sys_version = ""

    def setup(self):
        if self.server.tls is not None:
            self.request.settimeout(10)
            self.request = self.server.tls.wrap_socket(self.request, server_side=True)
            self.request.settimeout(None)
        super().setup()

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.respond(send_body=True)

    def do_HEAD(self):
        self.respond(send_body=False)

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.respond(send_body=True, posted=self.rfile.read(length))

    def split_target(self):
        target = self.path
        if "://" in target:  # absolute form, as a client sends it to a proxy
            parts = urllib.parse.urlsplit(target)
            return parts.path or "/", parts.query
        path, _, query = target.partition("?")
        return path, query

    def record(self, path, query, posted):
        entry = {
            "method": self.command,
            "target": self.path,
            "path": path,
            "query": query,
            "headers": {k: v for k, v in self.headers.items()},
            "client_port": self.client_address[1],
        }
        if posted is not None:
            entry["body"] = posted.decode("utf-8", "replace")
        self.server.write_log(entry)

    def respond(self, send_body, posted=None):
        path, query = self.split_target()
        self.record(path, query, posted)
        rule = self.server.rule(urllib.parse.unquote(path))

        status = rule.get("status")
        headers = dict(rule.get("headers", {}))
        if "redirect" in rule:
            headers["Location"] = rule["redirect"]
            status = status or 302
        body = self.body_for(rule, path, posted)
        if body is None:
            status = status or 404
            body = Body(9, data=b"not found")

        start, end = 0, body.size
        ranged = parse_range(self.headers.get("Range"), body.size) if status is None else None
        if ranged == "unsatisfiable":
            status = 416
            headers["Content-Range"] = "bytes */%d" % body.size
            body = Body(0, data=b"")
            end = 0
        elif ranged is not None:
            start, end = ranged
            status = 206
            headers["Content-Range"] = "bytes %d-%d/%d" % (start, end - 1, body.size)
        status = status or 200

        chunked = bool(rule.get("chunked"))
        no_length = rule.get("length") == "none"
        self.send_response(status)
        headers.setdefault("Accept-Ranges", "bytes")
        for name, value in headers.items():
            self.send_header(name, str(value))
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        elif no_length:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(rule.get("declared_length", end - start)))
        self.end_headers()
        if send_body:
            self.send_body(rule, body, start, end, chunked)
        if "declared_length" in rule and rule["declared_length"] != end - start:
            self.close_connection = True

    def body_for(self, rule, path, posted):
        if "body" in rule:
            data = rule["body"].encode("utf-8")
            return Body(len(data), data=data)
        if "body_size" in rule:
            return Body(int(rule["body_size"]))
        if posted is not None:
            return Body(len(posted), data=posted)
        local = os.path.realpath(os.path.join(self.server.root, urllib.parse.unquote(path).lstrip("/")))
        if not local.startswith(self.server.root + os.sep) or not os.path.isfile(local):
            return None
        return Body(os.path.getsize(local), path=local)

    def send_body(self, rule, body, start, end, chunked):
        drop_after = rule.get("drop_after")
        stall_after = rule.get("stall_after")
        rate = rule.get("rate")
        plain = not chunked and drop_after is None and stall_after is None and rate is None
        if plain and body.path is not None and self.server.tls is None:
            self.wfile.flush()
            with open(body.path, "rb") as f:
                self.connection.sendfile(f, start, end - start)
            return

        sent = 0
        began = time.monotonic()
        limit = min(x for x in (drop_after, stall_after, end - start) if x is not None)
        for piece in body.chunks(start, start + limit):
            if rate:
                piece_size = max(1, min(len(piece), rate // 20))
                for pos in range(0, len(piece), piece_size):
                    self.write_piece(piece[pos:pos + piece_size], chunked)
                    sent += len(piece[pos:pos + piece_size])
                    ahead = began + sent / rate - time.monotonic()
                    if ahead > 0:
                        time.sleep(ahead)
            else:
                self.write_piece(piece, chunked)
                sent += len(piece)
        self.wfile.flush()

        if drop_after is not None and sent < end - start:
            self.reset_connection()
            return
        if stall_after is not None and sent < end - start:
            time.sleep(float(rule.get("stall_seconds", 30)))
            self.close_connection = True
            return
        if chunked:
            self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()

    def write_piece(self, piece, chunked):
        if chunked:
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
        else:
            self.wfile.write(piece)

    def reset_connection(self):
        """Ends the connection abruptly, the way a failing peer does."""
        self.close_connection = True
        try:
            if self.server.tls is None:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            self.connection.close()
        except OSError:
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, root, rules, log, tls):
        self.root = os.path.realpath(root)
        self.rules_path = rules
        self.log_path = log
        self.tls = tls
        self.log_lock = threading.Lock()
        super().__init__(("127.0.0.1", port), Handler)

    def rule(self, path):
        if not self.rules_path or not os.path.exists(self.rules_path):
            return {}
        with open(self.rules_path, encoding="utf-8") as f:
            return json.load(f).get(path, {})

    def write_log(self, entry):
        if not self.log_path:
            return
        with self.log_lock, open(self.log_path, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def handle_error(self, request, client_address):
        pass  # clients that hang up or refuse the certificate are part of the tests


def watch_parent(parent, deadline):
    while True:
        if os.getppid() != parent or time.monotonic() > deadline:
            os._exit(0)
        time.sleep(0.2)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", default=".")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--rules")
    parser.add_argument("--log")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--max-seconds", type=float, default=600)
    args = parser.parse_args()

    tls = None
    if args.cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.cert, args.key)

    server = Server(args.port, args.root, args.rules, args.log, tls)
    threading.Thread(target=watch_parent, args=(os.getppid(), time.monotonic() + args.max_seconds),
                     daemon=True).start()
    if args.port_file:
        temp = args.port_file + ".tmp"
        with open(temp, "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(temp, args.port_file)
    else:
        print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
