#!/bin/bash
# Records the reference frames of tests/render/reference_frames_test.cpp from a build of the
# demo: each instant with the post-process program (pp-<ms>.png) and without it (plain-<ms>.png,
# the data folder without shaders/blur.frag), shrunk 4 times by frame_tool.
# Usage: record_reference_frames.sh QUORLITH_BINARY DATA_DIR FRAME_TOOL [OUT_DIR]
set -euo pipefail
binary=$1 data=$2 tool=$3
out=${4:-$(dirname "$0")/../data/reference_frames}
# Title, fades, every scene (quiet and loud moments of the music), credits.
times=3,4.5,8,30,60,77,97.3,113.3,127,135,148,158.1,166.1,175,185,195.3,205,211.3,222,240,256.1,275,285,305

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/plain-data/shaders" "$out"
for entry in "$data"/*; do
    [ "$(basename "$entry")" = shaders ] || ln -s "$(realpath "$entry")" "$work/plain-data/"
done
cp "$data/shaders/default.vert" "$work/plain-data/shaders/"

"$binary" --data "$data" --shot "$times" --out "$work/pp" >/dev/null
"$binary" --data "$work/plain-data" --shot "$times" --out "$work/plain" >/dev/null 2>&1
rm -f "$out"/pp-*.png "$out"/plain-*.png
for kind in pp plain; do
    for shot in "$work/$kind"/shot-*.png; do
        ms=$(basename "$shot" .png)
        "$tool" shrink "$shot" "$out/$kind-${ms#shot-}.png"
    done
done
echo "recorded $(ls "$out" | wc -l) reference frames in $out"
