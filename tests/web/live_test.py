#!/usr/bin/env python3
"""The demo playing in headless Chromium, silent (?autoplay=1&mute=1) and through Web Audio:
its clock runs at real rate, the keys seek, pause and end it, and none of them scrolls the page.

usage: live_test.py SITE_FOLDER QUORLITH FRAME_TOOL
"""
import time

import webtest
from webtest import served_page, visible

RATE_TOLERANCE = 0.15  # the clock's speed against the wall clock's
RATE_SECONDS = 3.0
SEEK_TOLERANCE = 0.1  # seconds, on a Right tap's 0.5 s


def samples(page, since=0.0, until=float("inf")):
    """(demo time, wall time in s) of each title the demo set between `since` and `until`
    (page seconds)."""
    titles = page.evaluate("window.__record.titles")
    return [(webtest.demo_time(t["title"]), t["at"] / 1000) for t in titles
            if webtest.demo_time(t["title"]) is not None and since < t["at"] / 1000 <= until]


def now(page):
    return page.evaluate("performance.now()") / 1000


def latest_time(page, what):
    page.wait_for("window.__record.titles.some(t => /^Quorlith Engine - Time: /.test(t.title))",
                  10, f"a frame {what}")
    return samples(page)[-1][0]


def slope(points):
    """Least-squares slope of demo time over wall time."""
    n = len(points)
    mean_d = sum(d for d, _ in points) / n
    mean_w = sum(w for _, w in points) / n
    return (sum((w - mean_w) * (d - mean_d) for d, w in points) /
            sum((w - mean_w) ** 2 for _, w in points))


def median(values):
    values = sorted(values)
    middle = len(values) // 2
    return values[middle] if len(values) % 2 else (values[middle - 1] + values[middle]) / 2


def lead(points):
    """How far the demo time runs ahead of the wall clock, over some frames (the median:
    each title lags its clock reading by up to a frame, which varies)."""
    return median([d - w for d, w in points])


def check_live(args, query="autoplay=1&mute=1", flags=()):
    with served_page(args.site, record=True, flags=flags) as (page, url):
        page.navigate(url + "index.html?" + query)
        webtest.wait_until_ready(page)
        webtest.wait_for_playing(page)
        assert not page.evaluate(visible("start")), "the start screen stays while playing"
        focused = page.evaluate("document.activeElement.id")
        assert focused == "canvas", f"'{focused}' has the focus while playing, not the canvas"

        # Real rate: the demo time the frames show against the wall clock.
        begin = now(page)
        time.sleep(RATE_SECONDS)
        frames = samples(page, begin)
        assert len(frames) >= 5, f"only {len(frames)} frames in {RATE_SECONDS} s"
        rate = slope(frames)
        print(f"clock rate {rate:.3f} over {RATE_SECONDS} s ({len(frames)} frames)")
        assert abs(rate - 1) <= RATE_TOLERANCE, \
            f"the demo time ran at {rate:.3f} times the wall clock's rate"

        # A Right tap: the time goes on 0.5 s past the instant on screen, so it runs ahead of
        # the wall clock by 0.5 s less the time since that instant was read: up to a frame.
        # The frames compared: five before the tap, and five after the tap has shown (the
        # second frame after it at the latest; a third allows for the key's own latency).
        tapped = now(page)
        page.keys("ArrowRight")
        page.wait_for(f"window.__record.titles.filter(t => t.at > {tapped * 1000}).length >= 8",
                      10, "eight frames after the Right tap")
        before = samples(page, 0, tapped)[-5:]
        after = samples(page, tapped)[3:8]
        spacing = [b[1] - a[1] for a, b in zip(frames, frames[1:])] + \
            [b[1] - a[1] for a, b in zip(after, after[1:])]
        seek = lead(after) - lead(before)
        print(f"Right tap: {seek:+.3f} s against the wall clock "
              f"(frames {min(spacing):.3f} to {max(spacing):.3f} s apart)")
        assert 0.5 - max(spacing) - SEEK_TOLERANCE <= seek <= 0.5 + SEEK_TOLERANCE, \
            f"a Right tap moved the time {seek:+.3f} s, not 0.5 s less up to a frame " \
            f"({max(spacing):.3f} s)"

        # Space holds the time (no new time for a second, and none a second later); Space
        # again plays on.
        page.keys("Space")
        page.wait_for("performance.now() - window.__record.titles.at(-1).at > 1000", 10,
                      "the time to hold after Space")
        held = latest_time(page, "after Space")
        time.sleep(1.0)
        still = latest_time(page, "while paused")
        assert still == held, f"paused, the time still ran from {held} to {still}"
        page.keys("Space")
        time.sleep(1.0)
        resumed = latest_time(page, "after Space again")
        assert resumed > still + 0.5, f"Space again did not play on ({still} -> {resumed})"

        # None of the demo's keys scrolls the page or reaches the browser.
        page.keys("ArrowDown", "ArrowUp", "ArrowLeft", "ArrowLeft", "Space", "Space")
        keys = page.evaluate("window.__record.keys")
        wrong = [k for k in keys if not k["prevented"] or k["target"] != "canvas"]
        assert not wrong, f"keys not taken by the canvas with their default prevented: {wrong}"
        scroll = page.evaluate("[scrollX, scrollY, document.scrollingElement.scrollTop]")
        assert scroll == [0, 0, 0], f"the keys scrolled the page: {scroll}"

        # Esc ends: the title and the start screen are back.
        page.keys("Escape")
        webtest.wait_for_start_screen(page)


def check_live_with_sound(args):
    """The same with the sound on: the clock is the AudioContext's, made at the track's rate
    (the browser lets the page play without a click here)."""
    check_live(args, "autoplay=1", ("--autoplay-policy=no-user-gesture-required",))


def check_audio_context(args):
    with served_page(args.site, flags=("--autoplay-policy=no-user-gesture-required",)) \
            as (page, url):
        page.navigate(url + "index.html?autoplay=1")
        webtest.wait_until_ready(page)
        webtest.wait_for_playing(page)
        context = page.evaluate("(() => { const c = Module.quorlith.audioContext;"
                                " return c && [c.state, c.sampleRate]; })()")
        assert context == ["running", 44100], f"the audio context is {context}"


if __name__ == "__main__":
    webtest.run_cases([("silent: autoplay, rate, seek, pause, keys, end", check_live),
                       ("with sound: the same on the audio context's clock",
                        check_live_with_sound),
                       ("with sound: a running context at 44,100 Hz", check_audio_context)],
                      webtest.parse_args(__doc__.splitlines()[0]))
