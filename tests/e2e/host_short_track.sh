# A track that ends before the demo: the clock runs on past its end, in silence, so the demo
# still reaches 325 s and ends by itself with status 0, on the sound device and on the silent
# wall clock alike.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

data="$SCRATCH/data"
mkdir -p "$data/music"
for entry in "$BUILD_DIR"/data/*; do
    [ "$(basename "$entry")" = music ] || ln -s "$entry" "$data/"
done
# The first five seconds of the track.
ffmpeg -v error -i "$BUILD_DIR/data/music/track.mp3" -t 5 -c copy "$data/music/track.mp3" ||
    fail "cannot cut the track"

for sound in "" "--mute"; do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    timeout 30 "$QUORLITH" --windowed $sound --data "$data" --start 321 \
        >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt"
    status=$?
    took=$((($(date +%s%N) - start) / 1000000))
    [ "$status" = "0" ] || fail "with '$sound' it ended with $status; stderr: $(cat "$SCRATCH/err.txt")"
    # Four seconds of demo from 321 s, after the start-up.
    [ "$took" -ge 3900 ] || fail "with '$sound' it ended after $took ms, before the demo's end"
done
echo "PASS host_short_track"
