# Quick taps (no hold) with the picture shown later or earlier than the sound. At 200 s
# (the twin knots, slow frames) one tap of Right moves the title once by 0.5 s; near the
# start a tap of Down puts the heard position at 0, where the title shows the offset
# itself; one tap of Esc ends the program with status 0.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

# start, --av-offset, keys tapped
while read -r -u 3 start delay keys; do
    "$QUORLITH" --windowed --mute --start "$start" --av-offset "$delay" \
        >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
    pid=$!
    wid=$(wait_for_window "^Quorlith Engine - Time: [1-9]" 30) || fail "no running demo window"
    spy_titles "$wid" "$SCRATCH/spy.txt"
    focus_window "$wid"
    wait_for_lines "$SCRATCH/spy.txt" 3
    tapped=$(wc -l <"$SCRATCH/spy.txt")
    # shellcheck disable=SC2086
    xdotool key $keys
    wait_for_lines "$SCRATCH/spy.txt" $(($(wc -l <"$SCRATCH/spy.txt") + 4)) # a few frames
    xdotool key Escape
    wait_for_exit "$pid" 10
    kill "$SPY" 2>/dev/null
    wait "$SPY" 2>/dev/null
    [ "$EXIT_STATUS" = "0" ] || fail "a tap of Esc ended with status $EXIT_STATUS"
    # From the last title before the tap on (the first frames are slow too, and irregular).
    titles=$(sed -n "$tapped,\$s/.*Time: \([0-9.]*\)\"\$/\1/p" "$SCRATCH/spy.txt")
    what="with --av-offset $delay, after '$keys' the titles were: $(echo $titles)"
    case $keys in
    Right)
        # The frame after the tap seeks from the previous frame's time: its title is that
        # one's plus 0.5 s and the moment between the seek and the clock's reading. Other
        # frames step by their own length, which under load reaches about half a second.
        steps=$(echo "$titles" | awk 'NR > 1 && $1 - p >= 0.4999 && $1 - p < 0.55 { n++ } { p = $1 } END { print n + 0 }')
        [ "$steps" = 1 ] || fail "$what"
        ;;
    *)
        # The heard position is 0 right after the seek, the picture 1.5 s ahead of it (before
        # the tap the titles show 2 s or more).
        echo "$titles" | sort -g | head -n 1 | awk '{ exit !($1 >= 1.5 && $1 < 1.75) }' || fail "$what"
        ;;
    esac
done 3<<'RUNS'
200 1500 Right
0.5 -1500 Down Down
RUNS
echo "PASS host_taps"
