#!/usr/bin/env bash
# glimmer-studio capture when it does not run to the end: Ctrl-C (SIGINT) and
# SIGTERM finish the file with the frames drawn so far and say how many; SIGKILL
# leaves a file that plays up to its last fragment; a full disk ends with status
# 1, cutting the file back to the part that plays; an odd size and an unwritable
# path end with status 1 and a reason, and leave no file. A frame of the video is
# the frame render draws at its time. On the built-in show, from the build
# folder (its scenes), 320 x 240.
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

# The frames are those render draws at their times: frame 840 at 60 fps is the
# one at 14000 ms, where the scroller moves from frame to frame. Losslessly
# encoded, it is nearer render's frame at 14000 than the one at 14016. And the
# video starts at 0 (despite H.264's reordering delay), with the sound.
capture --fps 60 --length 14050 --crf 0 --preset ultrafast "$scratch/exact.mp4" 2>/dev/null ||
    fail "lossless capture failed"
ffmpeg -v error -i "$scratch/exact.mp4" -vf 'select=eq(n\,840)' -vsync 0 -frames:v 1 \
    "$scratch/captured.png"
"$studio" render --size 320x240 --at 14000,14016 "$scratch/rendered" >/dev/null
same=$(compare -metric PSNR "$scratch/captured.png" "$scratch/rendered-014000.png" null: 2>&1)
other=$(compare -metric PSNR "$scratch/captured.png" "$scratch/rendered-014016.png" null: 2>&1)
start=$(ffprobe -v error -select_streams v:0 -show_entries stream=start_time -of csv=p=0 \
    "$scratch/exact.mp4")
[ "$start" = 0.000000 ] || fail "the video starts at $start s, not with the sound at 0"
awk -v same="$same" -v other="$other" 'BEGIN { exit !(same > 35 && same > other + 3) }' ||
    fail "captured frame 840 against render at 14000 ms: $same dB, at 14016 ms: $other dB"

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
