#!/usr/bin/env bash
# End to end: the real program on a private X server. The start-up question is
# answered No with Escape, the show must put something on the screen within a
# few seconds, Escape ends it with exit status 0, and the music written through
# SDL's disk audio driver must not be silence.
# Usage: run_demo.sh PROGRAM [WORKDIR]
# Exit status 77 (skipped) when the program's archive lacks the show's pictures
# or soundtrack.
set -uo pipefail

program=$(realpath "$1")
workdir=${2:-$(dirname "$program")}
unpack="$(dirname "$program")/glimmer-unpack"
if [ -x "$unpack" ]; then
    contents=$("$unpack" --embedded 2>/dev/null)
    for entry in 'data\set_18.mp3' 'data\cred.png' 'data\greetings.png'; do
        grep -qiF "$entry" <<<"$contents" || { echo "skipped: no $entry in the archive"; exit 77; }
    done
fi
scratch=$(mktemp -d)
xvfb_pid=""
demo_pid=""

cleanup() {
    [ -n "$demo_pid" ] && kill -KILL "$demo_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill -KILL "$xvfb_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$scratch/demo.log" ] && sed 's/^/  demo: /' "$scratch/demo.log" >&2
    exit 1
}

source "$(dirname "$0")/xvfb.sh"

# A screenshot of the whole screen; true when any pixel is not black.
screen_not_black() {
    import -window root "$scratch/screen.png" 2>/dev/null || return 1
    [ "$(convert "$scratch/screen.png" -format '%[fx:maxima > 0]' info:)" = 1 ]
}

demo_running() { kill -0 "$demo_pid" 2>/dev/null; }

start_xvfb "$scratch/xvfb.log" || fail "Xvfb did not start"
unset SDL_VIDEODRIVER

(cd "$workdir" && exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$scratch/out.raw" \
    "$program") >"$scratch/demo.log" 2>&1 &
demo_pid=$!

question="tessary::glimmerfell"
show="tessary[]glimmerfell party!version 800x600x32"
wait_for 600 has_window "$question" || fail "the full-screen question did not appear"
xdotool key --window "$(window_id "$question")" Escape 2>/dev/null
wait_for 100 bash -c "! xwininfo -root -tree | grep -qF '\"$question\": '" ||
    fail "the question did not go away on Escape"

wait_for 100 has_window "$show" || fail "the show's window did not appear"
# The title fades in from black within the first second; 80 looks, each with
# its screenshot, span some twenty seconds on a busy machine.
wait_for 80 screen_not_black || fail "the screen stayed black"
sleep 3 # let the music play a while
demo_running || fail "the program ended before Escape"
cp "$scratch/screen.png" "${GLIMMER_E2E_SCREENSHOT:-/dev/null}" 2>/dev/null

xdotool key --window "$(window_id "$show")" Escape 2>/dev/null
wait_for 150 bash -c "! kill -0 $demo_pid 2>/dev/null" || fail "the program did not end on Escape"
wait "$demo_pid"
status=$?
demo_pid=""
[ "$status" -eq 0 ] || fail "exit status $status"

[ -s "$scratch/out.raw" ] || fail "no audio was written"
peak=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$scratch/out.raw" -n stat 2>&1 |
    awk '/Maximum amplitude/ { print $3 }')
awk -v peak="$peak" 'BEGIN { exit !(peak > 0.01) }' || fail "the music was silent (peak $peak)"
echo "passed: exit status 0, music peak $peak, screen drawn"
