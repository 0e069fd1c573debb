#!/usr/bin/env bash
# Live editing in glimmer-studio's play mode on a private X server: saves in the
# --dir folder reload the show at the same demo time and in the same paused
# state. A new picture shows; a script that does not parse, a scene that is
# missing and a picture that does not decode are each reported while the last
# good picture stays; a good script after them shows its new picture.
# Without Xvfb the test is skipped (status 77), or fails where CI is set.
# Usage: studio_live.sh STUDIO
set -uo pipefail

studio=$(realpath "$1")
source "$(dirname "$0")/../e2e/xvfb.sh"
require_xvfb

show=$scratch/show/data

# A script of a red clear and one picture over the whole view.
write_script() {
    printf '[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 4278190335\r\n@\r\n%s' \
        "[b]"$'\r\n'"$1"$'\r\n0\r\n177000\r\n0 s FILE '"$2"$'\r\n@\r\n' >"$show/script.txt"
}
picture() { convert -size 64x64 "xc:rgba($2,1)" "PNG32:$show/$1"; }

# Runs the command in the remaining arguments (a save), then waits for the
# studio's next report matching the pattern $1.
saved() {
    local pattern=$1 before
    shift
    before=$(grep -c "$pattern" "$scratch/studio.log")
    "$@"
    wait_for 200 bash -c "[ \$(grep -c '$pattern' '$scratch/studio.log') -gt $before ]" ||
        fail "no report '$pattern' after the save ($*)"
}

expect_centre() {
    centre_comes_to "$1" || fail "$2: the screen shows $(screen_centre), not $1"
}

mkdir -p "$show"
picture pic.png 0,255,0
write_script ImageLayer 'data\pic.png'
play_in_studio "$studio" 2000
xdotool key --window "$window" space
wait_for 100 grep -q 'paused at' "$scratch/studio.log" || fail "no pause"
paused=$(grep 'paused at' "$scratch/studio.log" | sed -E 's/.* ([0-9]+) ms.*/\1/')
expect_centre 0,255,0 "at the start"

saved 'data.pic.png reloaded' picture pic.png 0,0,255
expect_centre 0,0,255 "after the picture was saved"

saved 'script not reloaded' write_script ImageLayr 'data\pic.png'
grep -q 'script not reloaded.*ImageLayr' "$scratch/studio.log" || fail "no word of the unknown class"
expect_centre 0,0,255 "after a script that does not parse"

saved 'not reloaded' write_script 'Anim3dsPlayer:data\nothing.3ds' 'data\pic.png'
grep -q "not reloaded.*Could not load 'data.nothing.3ds'" "$scratch/studio.log" ||
    fail "no word of the missing scene"
expect_centre 0,0,255 "after a script with a missing scene"

saved 'not reloaded' bash -c "head -c 300 /dev/urandom >'$show/pic.png'"
grep -q 'not reloaded.*Could not load data.pic.png' "$scratch/studio.log" ||
    fail "no word of the picture that does not decode"
expect_centre 0,0,255 "after a picture that does not decode"

picture other.png 255,255,0
saved 'data.script.txt reloaded' write_script ImageLayer 'data\other.png'
expect_centre 255,255,0 "after the good script"

resumed=$(press space 'playing from')
[ "$resumed" = "$paused" ] || fail "paused at $paused ms, the reloads went on at $resumed ms"
[ "$(grep -c 'playing from' "$scratch/studio.log")" = 2 ] || fail "a reload let the show play"

xdotool key --window "$window" Escape 2>/dev/null
wait_for_exit "$studio_pid" 100 || fail "Escape did not end the studio"
[ "$exit_status" = 0 ] || fail "exit status $exit_status"
echo "passed: paused at $paused ms through six saves"
