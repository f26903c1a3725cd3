"""A small HTTP server for the web build's site folder, on 127.0.0.1.

Used by the web tests (in a thread, on a free port) and by scripts/serve-web.sh.
Serves .wasm as application/wasm, tells browsers not to cache, and can answer 404 for
chosen files so that the tests can see how the page handles a failed download.
"""
import functools
import http.server
import sys
import threading


class _Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".data": "application/octet-stream",
        ".bmp": "image/bmp",
    }

    def __init__(self, *args, missing=frozenset(), quiet=True, **kwargs):
        self._missing = missing
        self._quiet = quiet
        super().__init__(*args, **kwargs)

    def send_head(self):
        name = self.path.split("?", 1)[0].split("#", 1)[0].rsplit("/", 1)[-1]
        if name in self._missing:
            self.send_error(404, "File not found")
            return None
        return super().send_head()

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):
        if not self._quiet:
            super().log_message(format, *args)


class SiteServer:
    """Serves `folder` on 127.0.0.1:`port` (0: a free port) in a background thread."""

    def __init__(self, folder, port=0, missing=(), quiet=True):
        handler = functools.partial(_Handler, directory=str(folder),
                                    missing=frozenset(missing), quiet=quiet)
        self._httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self._httpd.daemon_threads = True
        self.port = self._httpd.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}/"
        self._thread = None

    def start(self):
        self._thread = threading.Thread(target=self._httpd.serve_forever, daemon=True)
        self._thread.start()
        return self

    def serve_forever(self):
        self._httpd.serve_forever()

    def stop(self):
        if self._thread is not None:
            self._httpd.shutdown()
            self._thread.join(timeout=10)
            self._thread = None
        self._httpd.server_close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


def main(argv):
    if len(argv) not in (2, 3):
        print(f"usage: {argv[0]} SITE_FOLDER [PORT]", file=sys.stderr)
        return 2
    folder = argv[1]
    try:
        port = int(argv[2]) if len(argv) == 3 else 8080
        if not 0 < port < 65536:
            raise ValueError
    except ValueError:
        print(f"serve-web: '{argv[2]}' is not a port number (1 to 65535)", file=sys.stderr)
        return 2
    try:
        server = SiteServer(folder, port, quiet=False)
    except OSError as error:
        print(f"serve-web: cannot listen on 127.0.0.1:{port}: {error.strerror}", file=sys.stderr)
        return 1
    print(f"Serving {folder} at {server.url}  (Ctrl+C stops)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
