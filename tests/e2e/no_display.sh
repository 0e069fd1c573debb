#!/usr/bin/env bash
# Without a display the program cannot make its window: the failure goes to
# standard error (no box can be shown) and the exit status is 255.
# Usage: no_display.sh PROGRAM
set -uo pipefail

program=$1
expected="Error: Could not register window class, try a reboot..."
failed=0

check() {
    local what=$1
    shift
    local output status
    output=$(timeout -s KILL 30 env -u SDL_VIDEODRIVER "$@" "$program" 2>&1 >/dev/null)
    status=$?
    if [ "$status" -ne 255 ] || ! grep -qxF "$expected" <<<"$output"; then
        echo "FAIL ($what): exit status $status, standard error:" >&2
        sed 's/^/  /' <<<"$output" >&2
        failed=1
    fi
}

check "DISPLAY unset" env -u DISPLAY -u WAYLAND_DISPLAY
check "no server on the display" env -u WAYLAND_DISPLAY DISPLAY=:65531
[ "$failed" -eq 0 ] && echo "passed"
exit "$failed"
