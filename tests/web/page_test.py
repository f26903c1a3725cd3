#!/usr/bin/env python3
"""The page around the web build in headless Chromium: loading, the ways to start and end
the demo, the layout, and the messages for what can go wrong.

usage: page_test.py SITE_FOLDER QUORLITH FRAME_TOOL
"""
import json
import os
import re
import shutil

import webtest
from webtest import served_page, visible


def check_loading(args):
    with served_page(args.site, record=True) as (page, url):
        page.navigate(url + "index.html")
        webtest.wait_until_ready(page)
        states = [json.loads(s) for s in page.evaluate("window.__record.states")]
        download = re.compile(r"^Downloading data… [\d.]+ of [\d.]+ MB$")
        downloads = [s for s in states if download.match(s["status"])]
        assert downloads, f"no 'Downloading data… X of Y MB' was shown; the states: {states}"
        bars = [s["bar"] for s in downloads]
        assert all(b is not None for b in bars), f"the bar did not follow the download: {bars}"
        assert bars == sorted(bars) and bars[-1] == 1, f"the bar went {bars}, not up to 1"
        ready_at = next(i for i, s in enumerate(states) if s["loadingHidden"])
        assert all(s["playDisabled"] and not s["startHidden"] for s in states[:ready_at]), \
            f"Play was enabled (or the start screen hidden) while loading: {states[:ready_at]}"
        assert not states[-1]["playDisabled"], "Play is not enabled after loading"
        for element in ("start", "picture", "play", "fullscreen"):
            assert page.evaluate(visible(element)), f"#{element} is not visible when ready"
        assert page.evaluate("document.getElementById('picture').naturalWidth > 0"), \
            "the start picture (start.bmp) was not shown"
        assert page.evaluate("document.title") == webtest.TITLE


def first_time_after(page, count, what):
    """The demo time of the first title with a time among the titles after the first
    `count` recorded ones."""
    page.wait_for(f"window.__record.titles.slice({count})"
                  ".some(t => /^Quorlith Engine - Time: /.test(t.title))", 30,
                  f"the demo to play after a {what} (its time in the title)")
    titles = page.evaluate(f"window.__record.titles.slice({count}).map(t => t.title)")
    return next(webtest.demo_time(t) for t in titles if webtest.demo_time(t) is not None)


def check_ways_to_play(args):
    """Touch, mouse and keyboard each start the demo, from 0 s again after each end; the
    canvas has the focus; Full screen goes full screen and the end leaves it."""

    def touch_play(page):
        page.touch_tap(*webtest.centre(page, "play"))

    def enter_on_play(page):
        focused = page.evaluate("document.activeElement.id")
        assert focused == "play", f"after the end the focus is on '{focused}', not on Play"
        page.keys("Enter")

    def click_full_screen(page):
        page.click(*webtest.centre(page, "fullscreen"))

    ways = [
        # name, how, full screen, key that ends it
        ("touch tap on Play", touch_play, False, "Escape"),
        ("Enter on Play", enter_on_play, False, "Escape"),
        ("mouse click on Full screen", click_full_screen, True, "F1"),
    ]
    with served_page(args.site, record=True) as (page, url):
        page.send("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1})
        page.navigate(url + "index.html")
        webtest.wait_until_ready(page)
        for name, how, full_screen, end_key in ways:
            count = page.evaluate("window.__record.titles.length")
            how(page)
            start = first_time_after(page, count, name)
            assert start < 5, f"{name}: the demo started at {start} s, not from 0 s"
            assert not page.evaluate(visible("start")), f"{name}: the start screen stays"
            focused = page.evaluate("document.activeElement.id")
            assert focused == "canvas", f"{name}: '{focused}' has the focus, not the canvas"
            in_full_screen = page.evaluate("document.fullscreenElement?.id ?? null")
            assert in_full_screen == ("stage" if full_screen else None), \
                f"{name}: the full-screen element is {in_full_screen}"
            keys = page.evaluate("window.__record.keys.length")
            page.keys(end_key)
            webtest.wait_for_start_screen(page)
            assert page.evaluate("document.fullscreenElement") is None, \
                f"{name}: still in full screen after the end"
            ended_by = page.evaluate(f"window.__record.keys.slice({keys})")
            assert ended_by and ended_by[0]["prevented"], \
                f"{name}: {end_key}'s default was not prevented: {ended_by}"


def check_layout(args):
    """While playing: the canvas is the largest 4:3 box the viewport holds, centred, its
    drawing buffer its size times the pixel ratio, and no scroll bars."""
    viewports = [(800, 600, 1), (1280, 720, 1), (600, 900, 1), (640, 480, 2), (375, 667, 3)]
    with served_page(args.site) as (page, url):
        page.navigate(url + "index.html?autoplay=1&mute=1")
        webtest.wait_until_ready(page)
        webtest.wait_for_playing(page)
        for width, height, scale in viewports:
            page.set_viewport(width, height, scale)
            box_w, box_h = min(width, height * 4 / 3), min(height, width * 3 / 4)
            expected = [(width - box_w) / 2, (height - box_h) / 2, box_w, box_h]
            expected_buffer = [round(box_w * scale), round(box_h * scale)]
            read = ("(() => { const c = document.getElementById('canvas');"
                    " const r = c.getBoundingClientRect();"
                    " return {box: [r.left, r.top, r.width, r.height],"
                    " buffer: [c.width, c.height], scroll: [document.documentElement.scrollWidth,"
                    " document.documentElement.scrollHeight, innerWidth, innerHeight]}; })()")
            try:
                page.wait_for(
                    f"(() => {{ const s = {read}; const e = {json.dumps(expected)};"
                    " return s.box.every((v, i) => Math.abs(v - e[i]) <= 1) &&"
                    f" s.buffer.every((v, i) => Math.abs(v - {json.dumps(expected_buffer)}[i]) <= 1);"
                    " })()", 10, "the canvas to follow the viewport")
            except Exception:
                raise AssertionError(f"viewport {width}x{height} at {scale}x: the canvas is "
                                     f"{page.evaluate(read)}; expected box {expected}, "
                                     f"buffer {expected_buffer}")
            scroll = page.evaluate(read)["scroll"]
            assert scroll[0] <= scroll[2] and scroll[1] <= scroll[3], \
                f"viewport {width}x{height}: the page scrolls ({scroll})"


def check_phone_start_screen(args):
    """On a small phone screen the picture and both buttons fit and do not overlap."""
    with served_page(args.site, 360, 640) as (page, url):
        page.set_viewport(360, 640, 3)
        page.navigate(url + "index.html")
        webtest.wait_until_ready(page)
        boxes = page.evaluate(
            "['picture', 'play', 'fullscreen'].map(id => { const r ="
            " document.getElementById(id).getBoundingClientRect();"
            " return [r.left, r.top, r.right, r.bottom]; })")
        for box in boxes:
            assert box[0] >= 0 and box[1] >= 0 and box[2] <= 360 and box[3] <= 640, \
                f"{box} lies outside the 360x640 screen"
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                overlap = a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]
                assert not overlap, f"{a} and {b} overlap"
        for element in ("play", "fullscreen"):
            assert page.evaluate(visible(element)), f"#{element} is covered on a phone screen"


def check_failed_downloads(args):
    cases = [
        # file answered 404, what the message must name
        ("quorlith.data", "quorlith.data"),
        ("quorlith.wasm", "wasm"),
        ("quorlith.js", "quorlith.js"),
    ]
    for missing, named in cases:
        with served_page(args.site, missing=[missing]) as (page, url):
            page.navigate(url + "index.html")
            page.wait_for(visible("message"), webtest.LOAD_TIMEOUT,
                          f"a message about the missing {missing}")
            text = webtest.message(page)
            assert "could not be downloaded" in text and named in text, \
                f"without {missing} the message is {text!r}"
            assert page.evaluate("document.getElementById('play').disabled"), \
                f"without {missing} Play is enabled"


def check_runtime_abort(args):
    """A wasm file cut short (an interrupted download kept by a proxy, say): the runtime
    aborts, and the page says the demo could not start."""
    with webtest.scratch_folder() as folder:
        site = os.path.join(folder, "site")
        shutil.copytree(args.site, site)
        wasm = os.path.join(site, "quorlith.wasm")
        os.truncate(wasm, os.path.getsize(wasm) // 2)
        with served_page(site) as (page, url):
            page.navigate(url + "index.html")
            page.wait_for(visible("message"), webtest.LOAD_TIMEOUT, "a message about the abort")
            text = webtest.message(page)
            assert text.startswith("The demo could not start:"), \
                f"with half a wasm file the message is {text!r}"
            assert page.evaluate("document.getElementById('play').disabled"), \
                "with half a wasm file Play is enabled"


def check_decode_failure(args):
    """The browser cannot decode the music track: the page says so."""
    with served_page(args.site) as (page, url):
        page.add_init_script(
            "BaseAudioContext.prototype.decodeAudioData = () => Promise.reject("
            "new DOMException('Unable to decode audio data', 'EncodingError'));")
        page.navigate(url + "index.html")
        page.wait_for(visible("message"), webtest.LOAD_TIMEOUT, "a message about the music")
        text = webtest.message(page)
        assert text.startswith("The music could not be prepared:") and "decode" in text, \
            f"when the track cannot be decoded the message is {text!r}"


def check_no_webgl2(args):
    for flag in ("--disable-webgl", "--disable-3d-apis"):
        with served_page(args.site, flags=[flag]) as (page, url):
            page.navigate(url + "index.html")
            page.wait_for(visible("message"), 15, f"the WebGL 2 message with {flag}")
            text = webtest.message(page)
            assert "needs WebGL 2" in text, f"with {flag} the message is {text!r}"
            assert page.evaluate("typeof Module === 'undefined'"), \
                f"with {flag} the demo was loaded all the same"


def check_bad_queries(args):
    cases = [
        ("shot=abc", "?shot=abc: not a time"),
        ("shot=", "?shot=: not a time"),
        ("shot=-1", "?shot=-1: not a time"),
        ("shot=1e3", "?shot=1e3: not a time"),
        ("shot=86400.5", "?shot=86400.5: not a time"),
        ("shot=12&size=800", "?size=800: not a size"),
        ("shot=12&size=0x600", "?size=0x600: not a size"),
        ("shot=12&size=319x240", "?size=319x240: not a size"),
        ("shot=12&size=800x600x2", "?size=800x600x2: not a size"),
        ("shot=12&size=800x-600", "?size=800x-600: not a size"),
        ("shot=12&size=20000x600", "?size=20000x600: not a size"),
    ]
    with served_page(args.site) as (page, url):
        for query, expected in cases:
            page.navigate(f"{url}index.html?{query}")
            page.wait_for(visible("message"), 15, f"a message for ?{query}")
            text = webtest.message(page)
            assert text.startswith(expected), f"?{query}: the message is {text!r}"
            assert page.evaluate("typeof Module === 'undefined'"), \
                f"?{query}: the demo was loaded all the same"


if __name__ == "__main__":
    webtest.run_cases([
        ("start screen and loading bar", check_loading),
        ("touch, mouse and keyboard start the demo", check_ways_to_play),
        ("canvas layout while playing", check_layout),
        ("start screen on a phone", check_phone_start_screen),
        ("failed downloads", check_failed_downloads),
        ("a runtime abort", check_runtime_abort),
        ("music that cannot be decoded", check_decode_failure),
        ("no WebGL 2", check_no_webgl2),
        ("bad ?shot= and ?size=", check_bad_queries),
    ], webtest.parse_args(__doc__.splitlines()[0]))
