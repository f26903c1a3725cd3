# Quick taps (no hold) while frames are slow (the twin knots at 200 s), with the picture
# shown later or earlier than the sound: the first title is the heard position less the
# delay, one tap of Right moves the title once by 0.5 s, and one tap of Esc ends the
# program with status 0.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

for delay in 1500 -1500; do
    "$QUORLITH" --windowed --mute --start 200 --av-offset "$delay" \
        >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
    pid=$!
    # The window shows during the loading, so every title from the first frame on is seen.
    wid=$(wait_for_window "^Quorlith Engine" 30) || fail "no demo window"
    xprop -spy -id "$wid" WM_NAME >"$SCRATCH/spy.txt" 2>/dev/null &
    spy=$!
    wait_for_window "^Quorlith Engine - Time: [1-9]" 30 >/dev/null || fail "the clock did not run"
    focus_window "$wid"
    sleep 0.5
    tapped=$(($(wc -l <"$SCRATCH/spy.txt") + 0)) # xprop writes each title as it comes
    xdotool key Right
    sleep 1
    xdotool key Escape
    wait_for_exit "$pid" 10
    kill "$spy" 2>/dev/null
    wait "$spy" 2>/dev/null
    [ "$EXIT_STATUS" = "0" ] || fail "a tap of Esc ended with status $EXIT_STATUS"

    times=$(sed -n 's/.*Time: \([0-9.]*\)"$/\1/p' "$SCRATCH/spy.txt" | grep -v '^0\.000000$')
    first=$(echo "$times" | head -n 1)
    awk -v t="$first" -v d="$delay" 'BEGIN { lag = 200 - t; exit !(lag > d / 1000 - 0.25 && lag <= d / 1000 + 0.001) }' ||
        fail "with --av-offset $delay the first title shows $first at the heard position 200"
    # The frame after the tap seeks from the previous frame's time: its title is that one's
    # plus 0.5 s and the few milliseconds between the seek and the clock's reading. Other
    # frames step by their own length, anything up to about half a second under load.
    steps=$(sed -n "$tapped,\$p" "$SCRATCH/spy.txt" | sed -n 's/.*Time: \([0-9.]*\)"$/\1/p' |
        awk 'NR > 1 && $1 - p >= 0.4999 && $1 - p < 0.53 { print $1 - p } { p = $1 }')
    [ "$(echo "$steps" | grep -c .)" = 1 ] ||
        fail "with --av-offset $delay a tap of Right gave these 0.5 s steps: '$(echo $steps)'" \
            "titles: $(sed -n "$tapped,\$p" "$SCRATCH/spy.txt" | sed -n 's/.*Time: //p' | tr -d '"' | tr '\n' ' ')"
done
echo "PASS host_taps"
