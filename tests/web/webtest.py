"""What the web tests share: their command line, a served site with a browser on it, the
page's state as the tests read it, and a small runner for tables of cases."""
import argparse
import contextlib
import os
import re
import sys
import tempfile
import time
import traceback

import cdp
from site_server import SiteServer

TITLE = "Quorlith Engine"
TIME_TITLE = re.compile(r"^Quorlith Engine - Time: (\d+\.\d{6})$")

# Loading the real site: the data set, the wasm's compilation and the music's decoding.
LOAD_TIMEOUT = 120

# Installed before the page's own scripts: notes every change of the title (with the time it
# was set), of the loading state, and every demo key with whether its default was prevented.
RECORDER = r"""
(() => {
  const record = window.__record = { titles: [], states: [], keys: [] };
  const state = () => {
    const id = (name) => document.getElementById(name);
    if (!id('status')) return null;
    return JSON.stringify({
      status: id('status').textContent,
      bar: id('bar').hasAttribute('value') ? id('bar').value : null,
      playDisabled: id('play').disabled,
      loadingHidden: id('loading').hidden,
      startHidden: id('start').hidden,
    });
  };
  new MutationObserver(() => {
    const now = performance.now();
    const titles = record.titles;
    if (!titles.length || titles[titles.length - 1].title !== document.title) {
      titles.push({ title: document.title, at: now });
    }
    const current = state();
    if (current && record.states[record.states.length - 1] !== current) {
      record.states.push(current);
    }
  }).observe(document, { subtree: true, childList: true, characterData: true, attributes: true });
  window.addEventListener('keydown', (event) => {
    record.keys.push({ code: event.code, prevented: event.defaultPrevented,
                       target: event.target.id || event.target.nodeName });
  });
})();
"""


def visible(element_id):
    """JS: true when the element is shown and is what lies on top at its centre."""
    return (f"(() => {{ const e = document.getElementById('{element_id}');"
            " if (!e || e.hidden) return false; const r = e.getBoundingClientRect();"
            " if (r.width < 1 || r.height < 1) return false;"
            " const top = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);"
            " return !!top && (top === e || e.contains(top)); })()")


def centre(page, element_id):
    box = page.evaluate(f"(() => {{ const r = document.getElementById('{element_id}')"
                        ".getBoundingClientRect(); return [r.left + r.width / 2,"
                        " r.top + r.height / 2]; })()")
    return box[0], box[1]


def message(page):
    return page.evaluate("document.getElementById('message').hidden ? '' :"
                         " document.getElementById('message').textContent")


def wait_until_ready(page):
    """Waits for Play to be enabled; a message on the page fails at once with its text."""
    state = page.wait_for(
        "document.getElementById('message').hidden ?"
        " (!document.getElementById('play').disabled && 'ready') :"
        " 'message: ' + document.getElementById('message').textContent",
        LOAD_TIMEOUT, "Play to be enabled after loading")
    if state != "ready":
        raise AssertionError(f"the page shows a {state}\n{page.diagnostics()}")


def demo_time(title):
    match = TIME_TITLE.match(title)
    return float(match.group(1)) if match else None


def wait_for_playing(page, timeout=30):
    """Waits for the demo's time in the title; returns it."""
    title = page.wait_for(
        "/^Quorlith Engine - Time: /.test(document.title) && document.title", timeout,
        "the demo to play (its time in the title)")
    if demo_time(title) is None:
        raise AssertionError(f"title {title!r} is not 'Quorlith Engine - Time: <%f seconds>'")
    return demo_time(title)


def wait_for_start_screen(page, timeout=15):
    page.wait_for(f"document.title === '{TITLE}' && {visible('start')}", timeout,
                  f"the title '{TITLE}' and the start screen after the end")


@contextlib.contextmanager
def served_page(site, width=800, height=600, missing=(), flags=(), record=False):
    """A fresh browser on the site served over http; yields (page, base URL)."""
    with SiteServer(site, missing=missing) as server, cdp.Browser(flags) as browser:
        page = browser.new_page(width, height)
        if record:
            page.add_init_script(RECORDER)
        yield page, server.url


def parse_args(description, keep_frames=False):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("site", help="the web build's site folder (build-web/site)")
    parser.add_argument("quorlith", help="the native program")
    parser.add_argument("frame_tool", help="tests/frame_tool of the native build")
    if keep_frames:
        parser.add_argument("--keep", metavar="DIR",
                            help="keep the frames compared (web-*.png, shot-*.png) in DIR")
    args = parser.parse_args()
    for name in ("index.html", "page.js", "quorlith.js", "quorlith.wasm", "quorlith.data"):
        if not os.path.isfile(os.path.join(args.site, name)):
            parser.error(f"{args.site} holds no {name}: build the site with scripts/build-web.sh")
    for path in (args.quorlith, args.frame_tool):
        if not os.access(path, os.X_OK):
            parser.error(f"{path} is not an executable")
    return args


def run_cases(cases, args):
    """Runs each (name, function(args)) case; prints PASS/FAIL lines; exits 1 if any failed."""
    failures = 0
    for name, case in cases:
        started = time.monotonic()
        try:
            case(args)
        except Exception as error:  # every failure is reported, then the next case runs
            failures += 1
            detail = str(error) if isinstance(error, (AssertionError, cdp.CdpError)) \
                else traceback.format_exc()
            print(f"FAIL {name} ({time.monotonic() - started:.1f} s): {detail}", flush=True)
        else:
            print(f"PASS {name} ({time.monotonic() - started:.1f} s)", flush=True)
    print(f"{len(cases) - failures} of {len(cases)} passed")
    sys.exit(1 if failures else 0)


def scratch_folder():
    return tempfile.TemporaryDirectory(prefix="quorlith-web-")
