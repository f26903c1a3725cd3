# Without a display the program cannot make its window, and SDL must not quietly play it
# on a driver that shows nothing: with the display unset, or naming one that is not there,
# or one whose connection is refused, it says so on stderr in one line (the box cannot be
# shown; the display libraries' own complaints are not passed on; with the start dialog
# asked for, a line says it cannot be shown either) and ends at once with the
# status of a failed window creation, 0.
source "$(dirname "$0")/lib/common.bash"
make_scratch

absent=:4242
while [ -e "/tmp/.X11-unix/X${absent#:}" ]; do absent=:$((${absent#:} + 1)); done
for display in "" "$absent" "localhost$absent"; do
    for args in "--windowed --mute" ""; do
        start=$(date +%s%N)
        # shellcheck disable=SC2086
        env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY="$display" SDL_AUDIODRIVER=dummy \
            timeout 20 "$QUORLITH" $args >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt"
        status=$?
        took=$((($(date +%s%N) - start) / 1000000))
        what="'quorlith $args' with DISPLAY='$display'"
        [ "$status" = "0" ] || fail "$what ended with $status, not 0"
        grep -q "^quorlith: Error: Error Creating OpenGL Window (.*)$" "$SCRATCH/err.txt" ||
            fail "$what did not report it: $(cat "$SCRATCH/err.txt")"
        # With the dialog asked for, it too says it cannot be shown; nothing else speaks.
        lines=$([ -n "$args" ] && echo 1 || echo 2)
        [ "$(wc -l <"$SCRATCH/err.txt")" = "$lines" ] && ! grep -qv "^quorlith: " "$SCRATCH/err.txt" ||
            fail "$what wrote more than its $lines line(s): $(cat "$SCRATCH/err.txt")"
        [ "$took" -lt 5000 ] || fail "$what took $took ms to end"
    done
done
echo "PASS host_no_display"
