# The start dialog: picture, "FullScreen", "OK", "Exit". Esc and closing leave it open;
# "Exit" ends with status 0 before any demo window exists; Tab, Space and Enter choose full
# screen (the picture then covers the whole screen); a click on "OK" alone gives the
# 800 x 600 window.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb
start_window_manager

# Dialog pixels of the controls (dialog units at 7/4 and 15/8 pixels per unit).
FULLSCREEN_X=529 FULLSCREEN_Y=13
OK_X=529 OK_Y=72
EXIT_X=529 EXIT_Y=182

start_dialog() {
    "$QUORLITH" --mute >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
    pid=$!
    dialog=$(wait_for_pid_window "$pid" 20) || fail "no start dialog"
    size=$(xwininfo -id "$dialog" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$size" = "572x248" ] || fail "dialog is $size, not 572x248; stderr: $(cat "$SCRATCH/err.txt"); status: $(kill -0 $pid && echo running)"
    [ -z "$(xdotool search --name "^Quorlith Engine" 2>/dev/null)" ] ||
        fail "a demo window exists while the dialog is up"
    focus_window "$dialog"
}

# 1. Esc and closing leave the dialog open; "Exit" ends the program, no demo window made.
start_dialog
xdotool key Escape
send_wm_delete "$dialog"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "Esc or closing ended the dialog"
xdotool search --onlyvisible --pid "$pid" >/dev/null || fail "the dialog went away"
(
    # Watches for a demo window until the program ends.
    while kill -0 "$pid" 2>/dev/null; do
        if xdotool search --name "^Quorlith Engine" >/dev/null 2>&1; then
            touch "$SCRATCH/demo-window-seen"
        fi
        sleep 0.05
    done
) &
watcher=$!
click_at "$dialog" $EXIT_X $EXIT_Y
wait_for_exit "$pid" 10
wait "$watcher"
[ "$EXIT_STATUS" = "0" ] || fail "\"Exit\" ended with status $EXIT_STATUS; stderr: $(cat "$SCRATCH/err.txt")"
[ ! -e "$SCRATCH/demo-window-seen" ] || fail "\"Exit\" made a demo window"

# 2. Keyboard: Tab to "FullScreen", Space toggles it, Enter is "OK": full screen.
start_dialog
xdotool key Tab space Return
wid=$(wait_for_window "^Quorlith Engine - Time: " 30) || fail "no demo window after Enter"
size=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "1024x768" ] || fail "full screen window is $size, not the whole 1024x768 screen"
focus_window "$wid"
xdotool key Escape
wait_for_exit "$pid" 10
[ "$EXIT_STATUS" = "0" ] || fail "Esc in full screen ended with status $EXIT_STATUS"

# 3. Mouse: "FullScreen" clicked twice is unchecked again; "OK" gives the window.
start_dialog
click_at "$dialog" $FULLSCREEN_X $FULLSCREEN_Y
click_at "$dialog" $FULLSCREEN_X $FULLSCREEN_Y
click_at "$dialog" $OK_X $OK_Y
wid=$(wait_for_window "^Quorlith Engine - Time: " 30) || fail "no demo window after \"OK\""
size=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "800x600" ] || fail "window after \"OK\" is $size, not 800x600"
send_wm_delete "$wid"
wait_for_exit "$pid" 10
[ "$EXIT_STATUS" = "0" ] || fail "closing the window ended with status $EXIT_STATUS"
echo "PASS host_dialog"
