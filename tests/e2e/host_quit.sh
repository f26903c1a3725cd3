# Every way of ending the running demo gives exit status 0: F1 (ends it like Esc) and
# closing the window (the window manager's WM_DELETE_WINDOW). Esc is in host_window.sh.
source "$(dirname "$0")/lib/common.bash"
run_under_xvfb

end_with() {
    local how=$1 pid wid
    "$QUORLITH" --windowed --mute >"$SCRATCH/out.txt" 2>"$SCRATCH/err.txt" &
    pid=$!
    wid=$(wait_for_window "^Quorlith Engine - Time: " 30) ||
        fail "$how: no demo window (process $(kill -0 "$pid" 2>/dev/null && echo running || echo gone);" \
            "titles: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|');" \
            "stderr: $(cat "$SCRATCH/err.txt"))"
    case $how in
    F1)
        focus_window "$wid"
        xdotool key F1
        ;;
    close)
        send_wm_delete "$wid"
        ;;
    esac
    wait_for_exit "$pid" 10
    [ "$EXIT_STATUS" = "0" ] || fail "$how ended with status $EXIT_STATUS; stderr: $(cat "$SCRATCH/err.txt")"
}

end_with F1
end_with close
echo "PASS host_quit"
