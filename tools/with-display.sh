#!/usr/bin/env bash
# Runs a command on a display server of its own, which ends with it:
#   with-display.sh x11 COMMAND…      Xvfb with the openbox window manager
#   with-display.sh wayland COMMAND…  the weston compositor
# Exits with 77, "skipped", where the server's programs are missing.
#
# weston runs on an Xvfb of its own: its headless back end has no seat, so no window would
# ever get the keyboard focus or become active, which the window tests check.
set -euo pipefail
if (($# < 2)) || [[ $1 != x11 && $1 != wayland ]]; then
    echo "usage: $0 x11|wayland COMMAND…" >&2
    exit 2
fi
server=$1
shift

need() {
    for program in "$@"; do
        if ! command -v "$program" >/dev/null; then
            echo "skipped: $program is not installed (tools/install-deps.sh installs it)" >&2
            exit 77
        fi
    done
}
if [[ $server == x11 ]]; then
    need Xvfb openbox xprop
else
    need Xvfb weston xdotool
fi

work=$(mktemp -d)
children=()
finish() {
    for child in "${children[@]}"; do
        kill "$child" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

# Waits up to ten seconds for a condition, given as a command.
await() {
    for _ in $(seq 100); do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    echo "$server: the display server did not come up" >&2
    exit 1
}

# Xvfb names a free display once it accepts clients.
Xvfb -displayfd 3 -screen 0 1400x900x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
children+=($!)
await test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"

if [[ $server == x11 ]]; then
    openbox --sm-disable >/dev/null 2>&1 &
    children+=($!)
    # The window manager is there once it has named its check window on the root.
    await sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
    export QT_QPA_PLATFORM=xcb
else
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    printf '[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\n' >"$work/weston.ini"
    weston --config="$work/weston.ini" --backend=x11-backend.so --width=1400 --height=900 \
        --socket=liedspur >"$work/weston.log" 2>&1 &
    children+=($!)
    await test -S "$XDG_RUNTIME_DIR/liedspur"
    # The compositor's keyboard is the focus of its X window.
    await xdotool search --classname '^weston' windowfocus
    # The X display stays at hand for screenshots of the compositor's output.
    export WAYLAND_DISPLAY=liedspur QT_QPA_PLATFORM=wayland WESTON_X11_DISPLAY=$DISPLAY
    unset DISPLAY
fi

"$@"
