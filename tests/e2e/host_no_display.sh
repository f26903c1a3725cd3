# Without any display the program cannot make its window: it says so on stderr (the box
# cannot be shown) and ends with the status of a failed window creation, 0.
source "$(dirname "$0")/lib/common.bash"
make_scratch

for args in "--windowed --mute" ""; do
    # shellcheck disable=SC2086
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        timeout 20 "$QUORLITH" $args >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt"
    status=$?
    [ "$status" = "0" ] || fail "'quorlith $args' without display ended with $status, not 0"
    grep -q "Error Creating OpenGL Window" "$SCRATCH/err.txt" ||
        fail "'quorlith $args' without display did not report it: $(cat "$SCRATCH/err.txt")"
done
echo "PASS host_no_display"
