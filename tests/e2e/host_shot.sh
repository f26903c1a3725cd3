# Frame export: --shot writes one 800 x 600 8-bit RGB PNG per demo time, with no display
# (SDL's offscreen driver), no window and no sound, and says where; a time past the end of
# the demo is reported without stopping the others; bad options end with status 2.
source "$(dirname "$0")/lib/common.bash"
make_scratch

# Width, height, bit depth and colour type from a PNG's IHDR chunk.
png_header() {
    od -A n -t u1 -j 16 -N 10 "$1" | awk '{
        printf "%dx%d depth %d type %d\n", $1 * 16777216 + $2 * 65536 + $3 * 256 + $4,
            $5 * 16777216 + $6 * 65536 + $7 * 256 + $8, $9, $10 }'
}

run_offscreen() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
        timeout 120 "$QUORLITH" "$@" >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt"
}

out="$SCRATCH/shots"
run_offscreen --shot 0.5,4 --out "$out"
status=$?
[ "$status" = "0" ] || fail "--shot ended with $status: $(cat "$SCRATCH/err.txt")"
for ms in 500 4000; do
    file="$out/shot-$ms.png"
    [ -f "$file" ] || fail "$file not written"
    grep -qx "wrote $file" "$SCRATCH/out.txt" || fail "no 'wrote $file' in: $(cat "$SCRATCH/out.txt")"
    header=$(png_header "$file")
    [ "$header" = "800x600 depth 8 type 2" ] || fail "$file is $header, not 800x600 8-bit RGB"
done

# 330 s lies past the end (325 s): reported, and the 1 s frame is still written.
run_offscreen --shot 330,1 --out "$out"
status=$?
[ "$status" = "1" ] || fail "--shot 330,1 ended with $status, not 1"
grep -q "330.000 s lies past the end of the demo" "$SCRATCH/err.txt" ||
    fail "330 s not reported: $(cat "$SCRATCH/err.txt")"
[ -f "$out/shot-1000.png" ] || fail "the frame at 1 s was not written after the one past the end"
[ ! -e "$out/shot-330000.png" ] || fail "a frame past the end was written"

# Bad options: a clear message and status 2.
for args in "--shot 1" "--shot abc --out $out" "--out $out" "--bench 5,1" "--frobnicate"; do
    # shellcheck disable=SC2086
    run_offscreen $args
    status=$?
    [ "$status" = "2" ] || fail "'quorlith $args' ended with $status, not 2"
    grep -q "^quorlith: " "$SCRATCH/err.txt" || fail "'quorlith $args' gave no message"
done
echo "PASS host_shot"
