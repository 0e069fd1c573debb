#!/usr/bin/env bash
# End to end: the real program on a private X server, in one of these scenarios.
#   escape           The start-up question answered No (Escape): the show puts
#                    something on the screen within seconds and the screen is
#                    not black 5 s into the show, the music written through
#                    SDL's disk audio driver sounds from its first second on,
#                    and Escape ends the run with exit status 0.
#   full_screen      Answered Yes (Return): the show's window asks the window
#                    manager for full screen (Xvfb has no other modes to switch
#                    to), the show runs, and Escape ends the run with 0.
#   whole_show       Answered No, the show ends by itself 177 s after it started
#                    (at the pace of the music it keeps in step with), with exit
#                    status 0.
#   no_data          A copy of the program in an empty folder, run from there:
#                    neither folder has the scenes, so the first one cannot be
#                    read: a "File not found" box and exit status 255, before any
#                    question.
#   missing_picture  PROGRAM's archive names a picture in its script that it
#                    does not hold: after the question, the show stops on the
#                    picture's error box with exit status 255.
# Usage: run_demo.sh SCENARIO PROGRAM [WORKDIR]
# WORKDIR (default: the program's folder) is where the program runs, with the
# scenes in its data/. Exit status 77 (skipped) when the program's archive lacks
# the show's pictures or soundtrack where the scenario needs them, or when Xvfb
# is missing outside CI.
set -uo pipefail

scenario=$1
program=$(realpath "$2")
workdir=${3:-$(dirname "$program")}
source "$(dirname "$0")/xvfb.sh"
require_xvfb

question="tessary::glimmerfell"
show="tessary[]glimmerfell party!version 800x600x32"

# Skips unless the program's own archive holds the show's soundtrack and pictures.
require_show_archive() {
    local unpack contents entry
    unpack="$(dirname "$program")/glimmer-unpack"
    [ -x "$unpack" ] || return 0
    contents=$("$unpack" --embedded 2>/dev/null)
    for entry in 'data\set_18.mp3' 'data\cred.png' 'data\greetings.png'; do
        grep -qiF "$entry" <<<"$contents" || { echo "skipped: no $entry in the archive"; exit 77; }
    done
}

# Starts $1 in the folder $2 with the audio device given by the remaining
# variable assignments; its output in $scratch/demo.log, its process demo_pid.
start_demo() {
    local executable=$1 folder=$2
    shift 2
    (cd "$folder" && exec env "$@" "$executable") >"$scratch/demo.log" 2>&1 &
    demo_pid=$!
    end_on_exit "$demo_pid"
}
with_disk_audio=(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$scratch/out.raw")

demo_running() { kill -0 "$demo_pid" 2>/dev/null; }

# Answers the start-up question with the key $1 (Return: Yes, Escape: No);
# answered_at is the moment of the key press (date +%s.%N).
answer_question() {
    wait_for 600 has_window "$question" || fail "the full-screen question did not appear"
    answered_at=$(date +%s.%N)
    press_in "$question" "$1"
    wait_for 100 no_window "$question" || fail "the question did not go away on $1"
}

# A screenshot of the whole screen in $scratch/screen.png; true when any pixel
# is not black.
screen_not_black() {
    import -window root "$scratch/screen.png" 2>/dev/null || return 1
    [ "$(convert "$scratch/screen.png" -format '%[fx:maxima > 0]' info:)" = 1 ]
}

# The title fades in from black within the first second; 80 looks, each with
# its screenshot, span some twenty seconds on a busy machine.
expect_show_on_screen() {
    wait_for 100 has_window "$show" || fail "the show's window did not appear"
    wait_for 80 screen_not_black || fail "the screen stayed black"
}

# Sleeps until $1 seconds have passed since the moment $2 (date +%s.%N).
sleep_until() {
    sleep "$(awk -v after="$1" -v since="$2" -v now="$(date +%s.%N)" \
        'BEGIN { left = since + after - now; print (left > 0 ? left : 0) }')"
}

# Presses Escape in the show's window: the run must end with exit status 0.
expect_escape_ends_it() {
    demo_running || fail "the program ended before Escape"
    press_in "$show" Escape
    wait_for_exit "$demo_pid" 150 || fail "the program did not end on Escape"
    [ "$exit_status" -eq 0 ] || fail "exit status $exit_status after Escape"
}

# Waits for the box captioned $1, expects the program to have printed $2 (the
# box's text), and presses Return in it.
dismiss_box() {
    wait_for 300 has_window "$1" || fail "no box captioned '$1'"
    wait_for 50 grep -qxF "$1: $2" "$scratch/demo.log" || fail "the program did not say '$2'"
    press_in "$1" Return
}

# The loudest sample in the first second of the disk audio output (0 to 1).
first_second_peak() {
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$scratch/out.raw" -n trim 0 1 stat 2>&1 |
        awk '/Maximum amplitude/ { print $3 }'
}

escape() {
    require_show_archive
    start_xvfb || fail "Xvfb did not start"
    start_demo "$program" "$workdir" "${with_disk_audio[@]}"
    # Read slowly: an audio device open during the question would start its
    # output with two seconds of silence.
    wait_for 600 has_window "$question" && sleep 2
    answer_question Escape
    local answered
    answered=$(date +%s.%N)
    expect_show_on_screen
    sleep_until 5 "$answered" # the music plays a while
    screen_not_black || fail "the screen was black 5 s into the show"
    cp "$scratch/screen.png" "${GLIMMER_E2E_SCREENSHOT:-/dev/null}" 2>/dev/null
    expect_escape_ends_it
    local peak
    peak=$(first_second_peak)
    [ -n "$peak" ] || fail "no audio was written"
    awk -v peak="$peak" 'BEGIN { exit !(peak > 0.01) }' ||
        fail "the first second of the output was silent (peak $peak)"
    echo "passed: exit status 0, peak of the first second of music $peak, screen drawn"
}

full_screen() {
    require_show_archive
    start_xvfb || fail "Xvfb did not start"
    # Full screen is a request to the window manager, sent to the root window;
    # Xvfb alone has none and leaves the window as it is, so the request is what
    # can be seen.
    xev -root -event substructure >"$scratch/root-events" 2>&1 &
    end_on_exit $!
    start_demo "$program" "$workdir" SDL_AUDIODRIVER=dummy
    answer_question Return
    expect_show_on_screen
    grep -q "message_type .*(_NET_WM_STATE)" "$scratch/root-events" ||
        fail "the show's window did not ask for full screen"
    expect_escape_ends_it
    echo "passed: the show asked for full screen and ran, exit status 0"
}

whole_show() {
    require_show_archive
    start_xvfb || fail "Xvfb did not start"
    start_demo "$program" "$workdir" SDL_AUDIODRIVER=dummy
    answer_question Escape
    expect_show_on_screen
    wait_for 2400 bash -c "! kill -0 $demo_pid 2>/dev/null" ||
        fail "the show was still running 4 minutes after the question"
    wait_for_exit "$demo_pid" 10
    # Timed from the key press, to the millisecond: the show's 177 s begin after
    # it, while the question's closing is seen only at the next look.
    local took
    took=$(awk -v since="$answered_at" -v now="$(date +%s.%N)" 'BEGIN { printf "%.3f", now - since }')
    [ "$exit_status" -eq 0 ] || fail "exit status $exit_status after $took s"
    # The show keeps in step with its music, and SDL's dummy audio output takes
    # a buffer of 2048 frames (46.44 ms at 44.1 kHz) every whole 46 ms plus the
    # time the mixer takes to fill it. On a fast processor the music then plays
    # up to 0.95 % fast, and the show with it: 177 s of it in 175.3 s at least.
    awk -v took="$took" 'BEGIN { exit !(took >= 177 * 46 / (2048 * 1000 / 44100)) }' ||
        fail "the show ended after $took s, before its 177 s at the dummy output's pace"
    echo "passed: the show ended by itself $took s after the question, exit status 0"
}

no_data() {
    start_xvfb || fail "Xvfb did not start"
    mkdir "$scratch/empty"
    cp "$program" "$scratch/empty/"
    start_demo "$scratch/empty/$(basename "$program")" "$scratch/empty" SDL_AUDIODRIVER=dummy
    dismiss_box "File not found" "Could not load 'data\\donut.3ds'"
    wait_for_exit "$demo_pid" 100 || fail "the program did not end after the box"
    [ "$exit_status" -eq 255 ] || fail "exit status $exit_status, not 255"
    echo "passed: 'File not found' box, exit status 255"
}

missing_picture() {
    start_xvfb || fail "Xvfb did not start"
    # No audio device: the archive has no soundtrack either.
    start_demo "$program" "$workdir" SDL_AUDIODRIVER=no-such-driver
    answer_question Escape
    dismiss_box "Error" "Could not load data\\no_such_picture.png"
    wait_for_exit "$demo_pid" 100 || fail "the program did not end after the box"
    [ "$exit_status" -eq 255 ] || fail "exit status $exit_status, not 255"
    echo "passed: the picture's error box, exit status 255"
}

case $scenario in
escape | full_screen | whole_show | no_data | missing_picture) "$scenario" ;;
*)
    echo "unknown scenario: $scenario" >&2
    exit 2
    ;;
esac
