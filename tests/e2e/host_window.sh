# The demo in a window: client area 800 x 600, the title shows the demo time from about 0
# and grows, a held Right key seeks 0.5 s per frame, nothing moves while minimised, and Esc
# ends the program with status 0.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

"$QUORLITH" --windowed --mute >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
pid=$!
wid=$(wait_for_window "^Quorlith Engine - Time: " 30) || fail "no demo window"

size=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "800x600" ] || fail "client area is $size, not 800x600"

# The first title (once start-up is done) carries a small time, then it grows with the clock.
first=$(title_time "$wid")
[ -n "$first" ] || fail "title '$(window_title "$wid")' does not show the time"
awk -v t="$first" 'BEGIN { exit !(t >= 0 && t < 3) }' || fail "first title time $first is not small"
# The first frames may be slow (the renderer compiles its shaders then): wait for the next.
for ((i = 0; i < 300; i++)); do
    later=$(title_time "$wid")
    [ "$later" != "$first" ] && break
    sleep 0.1
done
awk -v a="$first" -v b="$later" 'BEGIN { exit !(b > a) }' || fail "title time did not grow ($first -> $later)"

# Held Right: every frame seeks 0.5 s past the previous frame's time. The title is
# rewritten every frame, so consecutive titles differ by 0.5 s plus the frame's own time.
focus_window "$wid"
before=$(title_time "$wid")
spy_titles "$wid" "$SCRATCH/spy.txt"
wait_for_lines "$SCRATCH/spy.txt" 3
xdotool keydown Right
wait_for_lines "$SCRATCH/spy.txt" $(($(wc -l <"$SCRATCH/spy.txt") + 6)) # several frames
xdotool keyup Right
wait_for_lines "$SCRATCH/spy.txt" $(($(wc -l <"$SCRATCH/spy.txt") + 2))
kill "$SPY" 2>/dev/null
wait "$SPY" 2>/dev/null
after=$(title_time "$wid")
awk -v a="$before" -v b="$after" 'BEGIN { exit !(b - a >= 0.5) }' ||
    fail "holding Right moved the time from $before to $after"
steps=$(sed -n 's/.*Time: \([0-9.]*\)"$/\1/p' "$SCRATCH/spy.txt" |
    awk 'NR > 1 && $1 - p >= 0.25 { print $1 - p } { p = $1 }' | sort -g)
count=$(echo "$steps" | grep -c .)
[ "$count" -ge 3 ] || fail "only $count seek steps seen while Right was held"
median=$(echo "$steps" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
awk -v m="$median" 'BEGIN { exit !(m >= 0.45 && m <= 0.75) }' ||
    fail "a frame with Right held moved the time by $median s, not about 0.5 s"

# Minimised (the window manager's hidden state): no frame, so neither the title nor a held
# key moves anything; restored, frames resume.
xprop -id "$wid" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN
sleep 0.3
hidden_before=$(window_title "$wid")
xdotool keydown Up
sleep 0.3
xdotool keyup Up
hidden_after=$(window_title "$wid")
[ "$hidden_before" = "$hidden_after" ] || fail "title changed while minimised ($hidden_before -> $hidden_after)"
xprop -id "$wid" -remove _NET_WM_STATE
sleep 0.3
restored=$(title_time "$wid")
awk -v a="$after" -v b="$restored" 'BEGIN { exit !(b >= a && b - a < 4.5) }' ||
    fail "time after restoring is $restored (before minimising $after; Up acted while minimised?)"

xdotool key Escape
wait_for_exit "$pid" 10
[ "$EXIT_STATUS" = "0" ] || fail "Esc ended with status $EXIT_STATUS; stderr: $(cat "$SCRATCH/err.txt")"
echo "PASS host_window"
