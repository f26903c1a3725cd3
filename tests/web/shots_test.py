#!/usr/bin/env python3
"""The web build's frames against the native program's: one instant in each section of the
demo, ?shot=T&size=800x600 in an 800x600 viewport at a pixel ratio of 1, the canvas's pixels
as they are, compared with `quorlith --shot T` by frame_tool. Prints the table of figures.

usage: shots_test.py SITE_FOLDER QUORLITH FRAME_TOOL
"""
import base64
import os
import re
import subprocess

import webtest
from webtest import served_page

MIN_PSNR = 30.0
SIZE = (800, 600)

# One instant inside each section, clear of the fades at its cuts.

INSTANTS = [
    (4, "title caption"),
    (40, "intro backdrop"),
    (100, "rising row"),
    (140, "orbit"),
    (160, "fire helix"),
    (180, "sprite cloud"),
    (200, "twin knots"),
    (230, "mirror sphere"),
    (258, "swirling sea"),
    (280, "helix tunnel"),
    (310, "credits"),
]

PNG_DATA_URL = "data:image/png;base64,"


def native_shots(args, folder):
    times = ",".join(str(t) for t, _ in INSTANTS)
    env = {**os.environ, "SDL_VIDEODRIVER": os.environ.get("SDL_VIDEODRIVER", "offscreen"),
           "SDL_AUDIODRIVER": "dummy"}
    result = subprocess.run([args.quorlith, "--shot", times, "--out", folder], env=env,
                            capture_output=True, text=True, timeout=300)
    assert result.returncode == 0, \
        f"quorlith --shot {times} failed ({result.returncode}): {result.stderr.strip()}"
    return {t: os.path.join(folder, f"shot-{t * 1000}.png") for t, _ in INSTANTS}


def web_shot(page, url, t, path):
    width, height = SIZE
    page.navigate(f"{url}index.html?shot={t}&size={width}x{height}")
    state = page.wait_for(
        "document.title === 'shot ready' ? 'ready' : !document.getElementById('message').hidden"
        " && 'message: ' + document.getElementById('message').textContent",
        webtest.LOAD_TIMEOUT, f"'shot ready' for ?shot={t}")
    assert state == "ready", f"?shot={t}: the page shows a {state}"
    canvas = page.evaluate("(() => { const c = document.getElementById('canvas');"
                           " return [c.width, c.height, c.toDataURL('image/png')]; })()")
    assert canvas[:2] == [width, height], \
        f"?shot={t}&size={width}x{height}: the canvas holds {canvas[0]}x{canvas[1]} pixels"
    assert canvas[2].startswith(PNG_DATA_URL), f"?shot={t}: no PNG from the canvas"
    with open(path, "wb") as png:
        png.write(base64.b64decode(canvas[2][len(PNG_DATA_URL):]))


def compare(frame_tool, a, b):
    result = subprocess.run([frame_tool, "compare", a, b], capture_output=True, text=True,
                            timeout=60)
    match = re.fullmatch(r"max (-?\d+) psnr (-?[\d.]+)\n", result.stdout)
    assert result.returncode == 0 and match, \
        f"frame_tool compare {a} {b}: {result.stdout}{result.stderr}".strip()
    return int(match.group(1)), float(match.group(2))


def check_shots(args):
    with webtest.scratch_folder() as scratch:
        folder = args.keep or scratch
        os.makedirs(folder, exist_ok=True)
        native = native_shots(args, folder)
        rows = []
        with served_page(args.site, *SIZE) as (page, url):
            for t, section in INSTANTS:
                path = os.path.join(folder, f"web-{t * 1000}.png")
                web_shot(page, url, t, path)
                rows.append((t, section, *compare(args.frame_tool, path, native[t])))
        print(f"{'time':>6}  {'section':<15} {'max':>4}  {'PSNR dB':>8}")
        for t, section, largest, psnr in rows:
            shown = "sizes differ" if psnr < 0 else f"{psnr:8.2f}"
            print(f"{t:>5}s  {section:<15} {largest:>4}  {shown}")
        low = [(t, psnr) for t, _, _, psnr in rows if psnr < MIN_PSNR]
        assert not low, f"frames under {MIN_PSNR} dB against the native ones: {low}"


if __name__ == "__main__":
    webtest.run_cases([("frames against the native program's", check_shots)],
                      webtest.parse_args(__doc__.splitlines()[0], keep_frames=True))
