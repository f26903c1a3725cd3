#!/usr/bin/env python3
"""Turns the PngSuite reference decodes (JSON arrays of RGBA values, one file per image)
into the raw files under ref/: width * height * 4 bytes, RGBA, rows top first, no gamma.
16-bit references are reduced to 8 bits by rounding (v * 255 / 65535).

usage: make_refs.py JSON_DIR    (run from this folder)
"""
import glob
import json
import os
import sys

src = sys.argv[1]
os.makedirs("ref", exist_ok=True)
for png in sorted(glob.glob("*.png")):
    name = png[:-4]
    if name.startswith("x"):
        continue  # corrupt files: nothing to decode
    values = json.load(open(os.path.join(src, name + ".json")))
    if max(values) > 255:
        values = [(v * 255 + 32895) >> 16 for v in values]
    with open(os.path.join("ref", name + ".rgba"), "wb") as out:
        out.write(bytes(values))
