#!/bin/bash
# Whole 800 x 600 frames of two builds compared at full size, at the reference-frame test's
# instants: without the post-process program (data folder without shaders/blur.frag) the
# largest channel difference, with it the PSNR.
# Usage: bench/picture_check.sh BASE_BINARY BASE_DATA NEW_BINARY NEW_DATA FRAME_TOOL
set -euo pipefail
base=$1 base_data=$2 new=$3 new_data=$4 tool=$5
times=$(sed -n 's/^times=//p' "$(dirname "$0")/../tests/render/record_reference_frames.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for which in base new; do
    binary=$base data=$base_data
    [ "$which" = new ] && binary=$new data=$new_data
    mkdir -p "$work/$which-plain-data/shaders"
    for entry in "$data"/*; do
        [ "$(basename "$entry")" = shaders ] || ln -s "$(realpath "$entry")" "$work/$which-plain-data/"
    done
    cp "$data/shaders/default.vert" "$work/$which-plain-data/shaders/"
    "$binary" --data "$data" --shot "$times" --out "$work/$which-pp" >/dev/null
    "$binary" --data "$work/$which-plain-data" --shot "$times" --out "$work/$which-plain" \
        >/dev/null 2>&1
done
printf '%10s %14s %12s\n' instant plain_max_diff pp_psnr_db
for shot in $(ls "$work"/base-pp/shot-*.png | sort -t- -k2 -n); do
    name=$(basename "$shot")
    plain=$("$tool" compare "$work/base-plain/$name" "$work/new-plain/$name" | awk '{print $2}')
    pp=$("$tool" compare "$shot" "$work/new-pp/$name" | awk '{print $4}')
    printf '%10s %14s %12s\n' "${name//[^0-9]/}" "$plain" "$pp"
done
