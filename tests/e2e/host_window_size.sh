# A window of a size asked for: --windowed --size 1600x1200 makes a 1600 x 1200 client area
# with the picture drawn over all of it (bars a tenth of its height), the title shows the
# demo time, a resize to a wide shape keeps the 4:3 picture at the window's new height between
# black pillars while the clock runs on, and Esc ends the program with status 0.
XVFB_SCREEN=1920x1440x24
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

# At 100 s the rising row plays over its lit background, so the lit box is the picture
# between the bars.
"$QUORLITH" --windowed --mute --size 1600x1200 --start 100 >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
pid=$!
wid=$(wait_for_window "^Quorlith Engine - Time: " 30) || fail "no demo window"

# Waits up to 30 s for the window to show the lit box $2 ("WxH X0 Y0 X1 Y1", each edge within
# two pixels); fails with what it showed.
wait_for_picture() {
    local want=$1 seen i
    for ((i = 0; i < 150; i++)); do
        seen=$(lit_box "$wid")
        if awk -v a="$seen" -v b="$want" 'BEGIN {
                n = split(a, x, " "); split(b, y, " ");
                if (n != 5 || x[1] != y[1]) exit 1;
                for (i = 2; i <= 5; i++) if (x[i] - y[i] > 2 || y[i] - x[i] > 2) exit 1 }'; then
            return 0
        fi
        sleep 0.2
    done
    fail "the window shows '$seen', not '$want'"
}

size=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "1600x1200" ] || fail "client area is $size, not 1600x1200"
# Bars of 120 rows; the picture reaches both sides.
wait_for_picture "1600x1200 0 120 1600 1080"

first=$(title_time "$wid")
[ -n "$first" ] || fail "title '$(window_title "$wid")' does not show the time"
awk -v t="$first" 'BEGIN { exit !(t >= 100 && t < 110) }' || fail "title time $first is not near 100"

# Wider than 4:3: the picture is 4:3 at the window's height (800 x 600), centred.
xdotool windowsize "$wid" 1200 600
wait_for_picture "1200x600 200 60 1000 540"
before=$(title_time "$wid")
sleep 1
after=$(title_time "$wid")
awk -v a="$before" -v b="$after" 'BEGIN { exit !(b - a > 0.5 && b - a < 2) }' ||
    fail "after the resize the title moved from $before to $after in a second"

# Taller than 4:3: black above and below, the bars a tenth of the picture's height.
xdotool windowsize "$wid" 960 1000
wait_for_picture "960x1000 0 212 960 788"

focus_window "$wid"
xdotool key Escape
wait_for_exit "$pid" 10
[ "$EXIT_STATUS" = "0" ] || fail "Esc ended with status $EXIT_STATUS; stderr: $(cat "$SCRATCH/err.txt")"
echo "PASS host_window_size"
