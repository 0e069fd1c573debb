#!/usr/bin/env bash
# glimmer-studio capture when it does not run to the end: Ctrl-C (SIGINT) and
# SIGTERM finish the file with the frames drawn so far and say how many; SIGKILL
# leaves a file that plays up to its last fragment; a full disk ends with status
# 1, cutting the file back to the part that plays; an odd size and an unwritable
# path end with status 1 and a reason, and leave no file. On the built-in show,
# from the build folder (its scenes), 320 x 240 at 30 fps.
# Usage: studio_capture.sh STUDIO
set -uo pipefail

studio=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$(dirname "$studio")" || exit 1
failed=0
unset DISPLAY WAYLAND_DISPLAY

fail() {
    echo "FAIL: $*" >&2
    failed=1
}

capture() {
    "$studio" capture --fps 30 --size 320x240 "$@"
}

frames() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
        -of csv=p=0 "$1"
}

# The file decodes to its end without a single complaint.
expect_clean() {
    local complaints
    complaints=$(ffmpeg -hide_banner -v error -i "$1" -f null - 2>&1)
    [ -z "$complaints" ] || fail "$1 does not decode cleanly: $(echo "$complaints" | head -3)"
}

# Starts a long capture, waits until frames are being drawn (the first progress
# line, a tenth of the job) and sends it the signal; prints the exit status.
signalled_capture() {
    local signal=$1 out=$2 pid
    "$studio" capture --fps 30 --size 320x240 --length 120000 "$out" 2>"$out.log" &
    pid=$!
    until grep -q 'frames/s' "$out.log" 2>/dev/null; do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "-$signal" "$pid"
    wait "$pid"
    echo $?
}

for signal in INT TERM; do
    out="$scratch/$signal.mp4"
    status=$(signalled_capture "$signal" "$out")
    [ "$status" = 1 ] || fail "SIG$signal: status $status"
    said=$(sed -n 's/.*interrupted: .* holds the first \([0-9]*\) frames.*/\1/p' "$out.log")
    [ -n "$said" ] || fail "SIG$signal: not said: $(tail -1 "$out.log")"
    got=$(frames "$out")
    [ "$got" = "$said" ] || fail "SIG$signal: the file has $got frames, the capture said $said"
    [ "${got:-0}" -ge 360 ] || fail "SIG$signal: only $got frames kept"
    expect_clean "$out"
done

out="$scratch/killed.mp4"
status=$(signalled_capture KILL "$out")
[ "$status" = 137 ] || fail "SIGKILL: status $status"
got=$(frames "$out")
[ "${got:-0}" -ge 240 ] || fail "after SIGKILL the file has ${got:-no} frames"
expect_clean "$out"

# A file size limit stands for a full disk (its signal ignored, so that writes
# fail instead): the first fragments fit, the rest does not.
(
    ulimit -f 64
    trap '' XFSZ
    exec "$studio" capture --fps 30 --size 320x240 --length 20000 "$scratch/full.mp4"
) 2>"$scratch/full.log"
status=$?
[ "$status" = 1 ] || fail "capture onto a full disk: status $status"
grep -q 'glimmer-studio: .*File too large; .* keeps the part written before' "$scratch/full.log" ||
    fail "full disk: $(tail -1 "$scratch/full.log")"
got=$(frames "$scratch/full.mp4")
[ "${got:-0}" -ge 30 ] || fail "the full disk kept ${got:-no} frames"
expect_clean "$scratch/full.mp4"

capture --length 500 --size 321x240 "$scratch/odd.mp4" 2>"$scratch/odd.log"
status=$?
[ "$status" = 1 ] || fail "capture at an odd size: status $status"
grep -q 'even width and height' "$scratch/odd.log" || fail "odd size: $(cat "$scratch/odd.log")"
[ -e "$scratch/odd.mp4" ] && fail "an odd size left a file"

mkdir "$scratch/folder"
touch "$scratch/plain"
for out in "$scratch/folder" "$scratch/plain/out.mp4"; do
    capture --length 500 "$out" 2>"$scratch/unwritable.log"
    status=$?
    [ "$status" = 1 ] || fail "capture to $out: status $status"
    grep -q "cannot create $out: .*; no file left" "$scratch/unwritable.log" ||
        fail "capture to $out: $(cat "$scratch/unwritable.log")"
done
[ -d "$scratch/folder" ] && [ -f "$scratch/plain" ] || fail "an unwritable path was removed"

[ "$failed" = 0 ] && echo passed
exit "$failed"
