"""A small Chrome DevTools Protocol client over --remote-debugging-pipe (Python stdlib only).

Chromium reads NUL-terminated JSON commands from its fd 3 and writes replies and events to
its fd 4. One thread reads the replies; every wait has a timeout and fails with a message
that says what was awaited.
"""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

# The build's choice (tests/CMakeLists.txt sets it), else Debian's launcher.
CHROMIUM = os.environ.get("QUORLITH_CHROMIUM") or "/usr/bin/chromium"

# Headless, with WebGL 2 from ANGLE on SwiftShader (the CPU), whatever GPU the machine has:
# the same renderer everywhere. Chromium 156 falls back to SwiftShader by itself when there is
# no GPU, but that automatic fallback is on its way out; --enable-unsafe-swiftshader keeps it
# allowed. --no-sandbox: Chromium refuses to run as root without it. A fresh profile, nothing
# fetched from the network.
BASE_FLAGS = [
    "--headless",
    "--no-sandbox",
    "--enable-unsafe-swiftshader",
    "--use-angle=swiftshader",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-quic",
    "--remote-debugging-pipe",
]


class CdpError(Exception):
    pass


class Browser:
    """One headless Chromium with a fresh profile; close() ends it whatever happened."""

    def __init__(self, extra_flags=(), chromium=CHROMIUM):
        self._profile = tempfile.mkdtemp(prefix="quorlith-chromium-")
        self.log_path = os.path.join(self._profile, "chromium.log")
        self._lock = threading.Condition()
        self._replies = {}
        self._events = []
        self._next_id = 0
        self._closed = False
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        args = [chromium, *BASE_FLAGS, f"--user-data-dir={self._profile}", *extra_flags]
        self._log = open(self.log_path, "wb")
        try:
            # The shell puts the two pipe ends on fds 3 and 4 and execs the launcher.
            self._process = subprocess.Popen(
                ["/bin/sh", "-c", f'exec "$0" "$@" 3<&{to_browser_r} 4>&{from_browser_w}', *args],
                pass_fds=(to_browser_r, from_browser_w), stdin=subprocess.DEVNULL,
                stdout=self._log, stderr=subprocess.STDOUT, start_new_session=True)
        except BaseException:
            self._log.close()
            shutil.rmtree(self._profile, ignore_errors=True)
            raise
        finally:
            os.close(to_browser_r)
            os.close(from_browser_w)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        try:
            self.send("Browser.getVersion", timeout=30)
        except BaseException:
            self.close()
            raise

    def _read(self):
        buffer = b""
        while True:
            try:
                chunk = os.read(self._from_browser, 1 << 16)
            except OSError:
                chunk = b""
            if not chunk:
                with self._lock:
                    self._closed = True
                    self._lock.notify_all()
                return
            buffer += chunk
            *messages, buffer = buffer.split(b"\0")
            with self._lock:
                for raw in messages:
                    message = json.loads(raw)
                    if "id" in message:
                        self._replies[message["id"]] = message
                    else:
                        self._events.append(message)
                self._lock.notify_all()

    def post(self, method, params=None, session=None):
        """Sends a command without waiting; wait(method, ident) collects its answer."""
        with self._lock:
            if self._closed:
                raise CdpError(f"{method}: Chromium is gone\n{self.log_tail()}")
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        return ident

    def wait(self, method, ident, timeout=30):
        deadline = time.monotonic() + timeout
        with self._lock:
            while ident not in self._replies:
                left = deadline - time.monotonic()
                if self._closed:
                    raise CdpError(f"{method}: Chromium went away\n{self.log_tail()}")
                if left <= 0:
                    raise CdpError(f"{method}: no answer from Chromium within {timeout} s")
                self._lock.wait(left)
            reply = self._replies.pop(ident)
        if "error" in reply:
            raise CdpError(f"{method}: {reply['error'].get('message')}")
        return reply.get("result", {})

    def send(self, method, params=None, session=None, timeout=30):
        return self.wait(method, self.post(method, params, session), timeout)

    def events(self, method, session=None):
        with self._lock:
            return [e["params"] for e in self._events
                    if e["method"] == method and (session is None or e.get("sessionId") == session)]

    def new_page(self, width=800, height=600):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, session)
        page.send("Page.enable")
        page.send("Runtime.enable")
        # Focus as in a window in front, so that the canvas keeps the keyboard focus.
        page.send("Emulation.setFocusEmulationEnabled", {"enabled": True})
        page.set_viewport(width, height)
        return page

    def log_tail(self, lines=20):
        try:
            with open(self.log_path, "rb") as log:
                text = log.read().decode(errors="replace").splitlines()
        except OSError:
            return ""
        return "chromium's last output:\n  " + "\n  ".join(text[-lines:])

    def close(self):
        try:
            if self._process.poll() is None:
                try:
                    self.send("Browser.close", timeout=5)
                except (CdpError, OSError):
                    pass
                try:
                    self._process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        finally:
            # Chromium's helpers share its process group: end the whole group.
            try:
                os.killpg(self._process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self._process.wait()
            for fd in (self._to_browser, self._from_browser):
                try:
                    os.close(fd)
                except OSError:
                    pass
            self._log.close()
            shutil.rmtree(self._profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# code: key, Windows virtual-key code, the text the key types (a keypress follows a keyDown
# with text, as it does for a real key)
KEYS = {
    "ArrowLeft": ("ArrowLeft", 37, None), "ArrowUp": ("ArrowUp", 38, None),
    "ArrowRight": ("ArrowRight", 39, None), "ArrowDown": ("ArrowDown", 40, None),
    "Escape": ("Escape", 27, None), "Space": (" ", 32, " "), "F1": ("F1", 112, None),
    "Enter": ("Enter", 13, "\r"),
}


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session

    def send(self, method, params=None, timeout=30):
        return self.browser.send(method, params, self.session, timeout)

    def set_viewport(self, width, height, scale=1):
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False})

    def navigate(self, url, timeout=30):
        """Opens the url and waits for its load event (not the last document's)."""
        result = self.send("Page.navigate", {"url": url}, timeout)
        if result.get("errorText"):
            raise CdpError(f"cannot open {url}: {result['errorText']}")
        self.wait_for(f"location.href === {json.dumps(url)} && document.readyState === 'complete'",
                      timeout, f"{url} to load")

    def evaluate(self, expression, timeout=30):
        """The value of a JavaScript expression (awaited if it is a promise)."""
        result = self.send("Runtime.evaluate", {
            "expression": expression, "awaitPromise": True, "returnByValue": True,
            "timeout": timeout * 1000}, timeout + 5)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise CdpError(f"{expression!r} threw: {text}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout, what, interval=0.05):
        """Waits until the expression is truthy and returns its value."""
        deadline = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise CdpError(f"timed out after {timeout} s waiting for {what}\n"
                               f"{self.diagnostics()}")
            time.sleep(interval)

    def keys(self, *names):
        """Taps the keys one after another (keyDown, keyUp each), sent together so that
        each tap lies within one frame, as a quick tap does."""
        sent = []
        for name in names:
            key, vk, text = KEYS[name]
            params = {"key": key, "code": name, "windowsVirtualKeyCode": vk,
                      "nativeVirtualKeyCode": vk}
            if text:
                params["text"] = text
            for kind in ("keyDown", "keyUp"):
                sent.append(self.browser.post("Input.dispatchKeyEvent",
                                              {**params, "type": kind}, self.session))
        for ident in sent:
            self.browser.wait("Input.dispatchKeyEvent", ident)

    def add_init_script(self, source):
        """Runs the script in every document the page opens from now on, before its own."""
        self.send("Page.addScriptToEvaluateOnNewDocument", {"source": source})

    def touch_tap(self, x, y):
        point = {"x": x, "y": y, "radiusX": 1, "radiusY": 1, "force": 1, "id": 0}
        self.send("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [point]})
        self.send("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent",
                      {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def console(self):
        """The page's console lines and uncaught exceptions so far."""
        lines = []
        for event in self.browser.events("Runtime.consoleAPICalled", self.session):
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in event["args"])
            lines.append(f"console.{event['type']}: {text}")
        for event in self.browser.events("Runtime.exceptionThrown", self.session):
            details = event["exceptionDetails"]
            lines.append("exception: " + (details.get("exception", {}).get("description")
                                          or details.get("text", "")))
        return lines

    def diagnostics(self):
        try:
            state = self.evaluate("JSON.stringify({title: document.title, "
                                  "message: (document.getElementById('message') || {}).textContent,"
                                  " status: (document.getElementById('status') || {}).textContent})",
                                  timeout=5)
        except CdpError as error:
            state = f"(page state unreadable: {error})"
        console = "\n  ".join(self.console()[-15:]) or "(none)"
        return f"page state: {state}\npage console:\n  {console}"
