# Shared by the end-to-end tests: each script runs as `bash script <quorlith> <build dir>`
# and re-runs itself inside its own Xvfb server.
set -u

QUORLITH=${1:?usage: script <quorlith binary> <build dir>}
BUILD_DIR=${2:?usage: script <quorlith binary> <build dir>}
E2E_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Re-runs the calling script under xvfb-run unless already inside one, on a screen of
# $XVFB_SCREEN (default 1024x768x24). The server must not reset when its last client leaves:
# during a reset it refuses new connections, and a program started just then would find no
# display.
run_under_xvfb() {
    if [ -z "${QUORLITH_E2E_IN_XVFB:-}" ]; then
        QUORLITH_E2E_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 ${XVFB_SCREEN:-1024x768x24} -noreset" \
            bash "$0" "$QUORLITH" "$BUILD_DIR"
    fi
    unset SDL_VIDEODRIVER
    export SDL_AUDIODRIVER=dummy
    make_scratch
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A scratch folder removed when the script ends.
# Whatever the script started in the background is ended with it, so a failed test leaves
# no program running.
make_scratch() {
    SCRATCH=$(mktemp -d)
    trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$SCRATCH"' EXIT
}

# Prints the id of the first visible window xdotool finds with the given search flag and
# value (--name REGEX or --pid PID), waiting up to $3 seconds.
wait_for_search() {
    local flag=$1 value=$2 seconds=${3:-30} id i
    for ((i = 0; i < seconds * 10; i++)); do
        id=$(xdotool search --onlyvisible "$flag" "$value" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# The first visible window whose name matches $1, or of process $1, waiting up to $2 seconds.
wait_for_window() { wait_for_search --name "$1" "${2:-30}"; }
wait_for_pid_window() { wait_for_search --pid "$1" "${2:-30}"; }

# The window's title.
window_title() {
    xprop -id "$1" WM_NAME | sed -n 's/^WM_NAME([A-Z_0-9]*) = "\(.*\)"$/\1/p'
}

# The demo time the title shows.
title_time() {
    window_title "$1" | sed -n 's/^Quorlith Engine - Time: \([0-9.]*\)$/\1/p'
}

# Waits up to $2 seconds for child process $1 to end and sets EXIT_STATUS to its exit
# status ("timeout" when it had to be killed).
wait_for_exit() {
    local pid=$1 seconds=${2:-10} i
    for ((i = 0; i < seconds * 10; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            EXIT_STATUS=$?
            return 0
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    EXIT_STATUS=timeout
    return 1
}

# Builds the helper that sends WM_DELETE_WINDOW as a window manager would.
send_wm_delete() {
    local helper
    helper=$(build_helper send_wm_delete) || exit 1
    "$helper" "$1"
}

# Points the pointer (and so the keyboard focus: no window manager) at a window.
focus_window() {
    xdotool mousemove --window "$1" 20 20
    sleep 0.1
}

# Builds one of the small X helpers in lib/ into the build folder; prints its path.
build_helper() {
    local name=$1 helper="$BUILD_DIR/e2e-tools/$1"
    if [ ! -x "$helper" ] || [ "$E2E_LIB/$name.c" -nt "$helper" ]; then
        mkdir -p "$BUILD_DIR/e2e-tools"
        cc -O1 -o "$helper" "$E2E_LIB/$name.c" -lX11 || fail "cannot build $name"
    fi
    echo "$helper"
}

# The window's size and the box of its lit pixels: "WxH X0 Y0 X1 Y1" (see lib/lit_box.c).
lit_box() {
    local helper
    helper=$(build_helper lit_box) || exit 1
    "$helper" "$@"
}

# Starts the minimal window manager (full-screen requests are a window manager's job).
start_window_manager() {
    local helper
    helper=$(build_helper mini_wm) || exit 1
    "$helper" >"$SCRATCH/wm.txt" 2>&1 &
    WM_PID=$!
    for ((i = 0; i < 50; i++)); do
        grep -q ready "$SCRATCH/wm.txt" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "the window manager did not start"
}

# Watches a window's title: every change goes to file $2, read before the next one comes
# (the watcher runs ahead of other work on a loaded machine). Sets SPY to its process.
spy_titles() {
    nice -n -10 xprop -spy -id "$1" WM_NAME >"$2" 2>/dev/null &
    SPY=$!
}

# Waits (up to 30 s) until file $1 has $2 lines: frames are counted, not timed.
wait_for_lines() {
    local i
    for ((i = 0; i < 300; i++)); do
        [ "$(wc -l <"$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    fail "only $(wc -l <"$1") of $2 titles came"
}

# Clicks at a point of a window, once the program has seen the pointer arrive there.
click_at() {
    xdotool mousemove --window "$1" "$2" "$3" sleep 0.15 click 1
    sleep 0.1
}
