# Space pauses: the title's time holds for two seconds; a tap of Right while paused moves it
# by 0.5 s; Space again resumes and the time runs on. With --loop, the end of the demo starts
# it again from 0 s and it plays on; Esc still ends it with status 0.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

# The processor time process $1 has used, in clock ticks.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

# Waits up to $2 seconds for the title's time to satisfy the awk condition $1 on t; prints it.
wait_for_time() {
    local condition=$1 seconds=$2 t i
    for ((i = 0; i < seconds * 10; i++)); do
        t=$(title_time "$wid")
        if [ -n "$t" ] && awk -v t="$t" "BEGIN { exit !($condition) }"; then
            echo "$t"
            return 0
        fi
        sleep 0.1
    done
    echo "$t"
    return 1
}

"$QUORLITH" --windowed --mute --start 50 >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
pid=$!
wid=$(wait_for_window "^Quorlith Engine - Time: " 30) || fail "no demo window"
wait_for_time "t > 50.2" 30 >/dev/null || fail "the demo does not run"
focus_window "$wid"

xdotool key space
sleep 0.5
held=$(title_time "$wid")
ticks_before=$(cpu_ticks "$pid")
sleep 2
[ "$(title_time "$wid")" = "$held" ] || fail "paused at $held, the title moved to $(title_time "$wid")"
# Paused, no frame is drawn without a reason: the processor rests (playing, the renderer
# keeps it busy).
idle=$(($(cpu_ticks "$pid") - ticks_before))
[ "$idle" -lt "$(($(getconf CLK_TCK) / 4))" ] || fail "paused, the program used $idle ticks in 2 s"

xdotool key Right
moved=$(wait_for_time "t != $held" 10) || fail "a tap of Right while paused did not move $held"
awk -v a="$held" -v b="$moved" 'BEGIN { d = b - a; exit !(d > 0.499 && d < 0.501) }' ||
    fail "a tap of Right while paused moved the time from $held to $moved"
sleep 1
[ "$(title_time "$wid")" = "$moved" ] || fail "after the seek the paused time ran on"

xdotool key space
wait_for_time "t > $moved + 0.5" 10 >/dev/null || fail "Space did not resume from $moved"
xdotool key Escape
wait_for_exit "$pid" 10
[ "$EXIT_STATUS" = "0" ] || fail "Esc ended with status $EXIT_STATUS; stderr: $(cat "$SCRATCH/err.txt")"

"$QUORLITH" --windowed --mute --loop --start 322 >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
pid=$!
wid=$(wait_for_window "^Quorlith Engine - Time: " 30) || fail "no demo window with --loop"
wait_for_time "t > 322" 30 >/dev/null || fail "the demo does not run from 322 s"
again=$(wait_for_time "t < 5" 15) || fail "with --loop the time went from 322 s to $again, not back to 0"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "with --loop the program ended"
later=$(title_time "$wid")
awk -v a="$again" -v b="$later" 'BEGIN { exit !(b > a && b < 10) }' ||
    fail "after the loop the time went from $again to $later"
focus_window "$wid"
xdotool key Escape
wait_for_exit "$pid" 10
[ "$EXIT_STATUS" = "0" ] || fail "Esc ended --loop with status $EXIT_STATUS"
echo "PASS host_pause_loop"
