#!/usr/bin/env bash
# glimmer-studio's play mode on a private X server, driven by keys. The show
# changes colour every second, so a screenshot tells the demo time's second.
# Space pauses: the clock and the picture stand still, and playing resumes where
# it stopped; Page Up seeks 10 s ahead and Page Down 10 s back (10 s, less at
# most one frame); Up and Down jump to the next and the previous event; F5 with a broken script keeps the old blocks and says why; F5
# with a good script takes it; Escape ends with status 0.
# Without Xvfb the test is skipped (status 77), or fails where CI is set.
# Usage: studio_play.sh STUDIO
set -uo pipefail

studio=$(realpath "$1")
source "$(dirname "$0")/../e2e/xvfb.sh"
require_xvfb

# The colours of the seconds, as the screenshot shows them: red, green, blue,
# yellow, again and again.
colour_of_second() {
    case $(($1 % 4)) in
    0) echo 255,0,0 ;;
    1) echo 0,255,0 ;;
    2) echo 0,0,255 ;;
    3) echo 255,255,0 ;;
    esac
}

# A script of ClearLayer colour events, one a second, for 40 s.
write_cycle_script() {
    local events="" argb=(4278190335 4278255360 4294901760 4278255615)
    for ((s = 0; s < 40; s++)); do
        events+="$((s * 1000)) I RGBA ${argb[$((s % 4))]}"$'\r\n'
    done
    printf '[a]\r\nClearLayer\r\n0\r\n177000\r\n%s@\r\n' "$events" >"$scratch/show/data/script.txt"
}

expect_second_colour() {
    local want
    want=$(colour_of_second $(($1 / 1000)))
    centre_comes_to "$want" || fail "at $1 ms the screen shows $(screen_centre), not $want"
}

mkdir -p "$scratch/show/data"
write_cycle_script

play_in_studio "$studio" 3000
sleep 1.5

paused=$(press space 'paused at')
[ "$paused" -gt 3000 ] || fail "the clock did not run before the pause ($paused ms)"
expect_second_colour "$paused"
# The paused frame may reach the screen a little after the log says so: once
# two screenshots agree, nothing may change for a second.
same_screen() {
    import -window root "$scratch/still-1.png"
    sleep 0.2
    import -window root "$scratch/still-2.png"
    [ "$(compare -metric AE "$scratch/still-1.png" "$scratch/still-2.png" null: 2>&1)" = 0 ]
}
wait_for 20 same_screen || fail "the picture did not settle after the pause"
sleep 1
import -window root "$scratch/still-2.png"
[ "$(compare -metric AE "$scratch/still-1.png" "$scratch/still-2.png" null: 2>&1)" = 0 ] ||
    fail "the picture changed while paused"
resumed=$(press space 'playing from')
[ "$resumed" = "$paused" ] || fail "paused at $paused ms, resumed at $resumed ms"
sleep 0.5
paused=$(press space 'paused at')
[ "$paused" -gt "$resumed" ] || fail "the clock did not run after resuming"

ahead=$(press Page_Up 'seek to')
step=$((ahead - paused))
[ "$step" -ge 9983 ] && [ "$step" -le 10000 ] || fail "Page Up moved $step ms, not 10 s"
expect_second_colour "$ahead"
back=$(press Page_Down 'seek to')
step=$((ahead - back))
[ "$step" -ge 10000 ] && [ "$step" -le 10017 ] || fail "Page Down moved $step ms back, not 10 s"
expect_second_colour "$back"

# Up and Down land on the next and the previous event (one a second) exactly.
next=$(press Up 'next event at')
[ "$next" = $(((back / 1000 + 1) * 1000)) ] || fail "Up went from $back to $next ms"
expect_second_colour "$next"
previous=$(press Down 'previous event at')
[ "$previous" = $((next - 1000)) ] || fail "Down went from $next to $previous ms"
expect_second_colour "$previous"

# A broken script (a class that does not exist, a type letter that does not
# either) would paint everything magenta; the old blocks stay.
printf '[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 4294902015\r\n@\r\n[b]\r\nClearLayr\r\n0\r\n9\r\n0 x RGBA 1\r\n@\r\n' \
    >"$scratch/show/data/script.txt"
press F5 'script not reloaded' >/dev/null
grep -q "script not reloaded.*ClearLayr\|script not reloaded.*invalid value type" "$scratch/studio.log" ||
    fail "the studio did not say why the script was refused"
expect_second_colour "$back"
printf '[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 4294967040\r\n@\r\n' >"$scratch/show/data/script.txt"
press F5 'script reloaded' >/dev/null
centre_comes_to 0,255,255 || fail "the reloaded script does not show: $(screen_centre)"

xdotool key --window "$window" Escape 2>/dev/null
wait_for_exit "$studio_pid" 100 || fail "Escape did not end the studio"
[ "$exit_status" = 0 ] || fail "exit status $exit_status"
echo "passed: paused at $paused ms, seeks $paused -> $ahead -> $back ms"
