# The display going away under a running demo (the X server ended): the program ends at
# once, saying why, instead of waiting for the lost server for ever.
source "$(dirname "$0")/lib/common.bash"
make_scratch

display=:4300
while [ -e "/tmp/.X11-unix/X${display#:}" ] || [ -e "/tmp/.X${display#:}-lock" ]; do
    display=:$((${display#:} + 1))
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$SCRATCH/xvfb.txt" 2>&1 &
server=$!
export DISPLAY=$display SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
for ((i = 0; i < 100; i++)); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

"$QUORLITH" --windowed --mute --start 100 >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
pid=$!
wait_for_window "^Quorlith Engine - Time: 1" 30 >/dev/null || fail "no demo window"
kill -9 "$server"
wait_for_exit "$pid" 10 || fail "the program did not end after the display went away"
[ "$EXIT_STATUS" = "1" ] || fail "it ended with status $EXIT_STATUS, not 1"
grep -q "^quorlith: the display went away$" "$SCRATCH/err.txt" ||
    fail "it did not say why: $(cat "$SCRATCH/err.txt")"
echo "PASS host_display_lost"
