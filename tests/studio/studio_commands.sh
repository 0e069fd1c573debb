#!/usr/bin/env bash
# glimmer-studio's render and capture from the command line, with no display:
# the same frame rendered twice is the same file (also after restarts within one
# run, on the built-in show), other sizes are pillarboxed,
# --dir overrides one entry over an archive and the archive gives the rest, a
# short capture has the right frames, duration and a soundtrack that is not
# silent (ffprobe, ffmpeg), and failures (a missing scene among them) leave no
# file behind.
# Usage: studio_commands.sh STUDIO PACK SOUNDTRACK_MP3
set -uo pipefail

studio=$1
pack=$2
soundtrack=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
unset DISPLAY WAYLAND_DISPLAY

fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# The colour of one pixel as r,g,b.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+.5)],%[fx:int(255*p{$2,$3}.g+.5)],%[fx:int(255*p{$2,$3}.b+.5)]" info:
}

expect_pixel() {
    local got
    got=$(pixel "$1" "$2" "$3")
    [ "$got" = "$4" ] || fail "$1 at ($2,$3) is $got, not $4"
}

# Colours that differ in every channel by at least this much count as alike.
near_pixel() {
    local got
    got=$(pixel "$1" "$2" "$3")
    awk -v got="$got" -v want="$4" 'BEGIN {
        split(got, g, ","); split(want, w, ",")
        for (i = 1; i <= 3; i++) if (g[i] - w[i] > 12 || w[i] - g[i] > 12) exit 1 }' ||
        fail "$1 at ($2,$3) is $got, not near $4"
}

# A show of its own: red, green, blue for half a second each, then blue on.
mkdir -p "$scratch/loose/data"
printf '[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 4278190335\r\n500 I RGBA 4278255360\r\n1000 I RGBA 4294901760\r\n@\r\n' >"$scratch/script.txt"
"$pack" --store "$scratch/show.rar" "DATA\\SCRIPT.TXT=$scratch/script.txt" \
    "data\\set_18.mp3=$soundtrack" >/dev/null || { echo "FAIL: cannot pack the show"; exit 1; }
# The loose script: yellow.
printf '[a]\r\nClearLayer\r\n0\r\n177000\r\n0 I RGBA 4278255615\r\n@\r\n' >"$scratch/loose/data/script.txt"

# Render: twice the same times, in two runs, with a restart between the frames.
for prefix in one two; do
    "$studio" --archive "$scratch/show.rar" render --at 750,250,1250 --size 1280x720 \
        "$scratch/$prefix" >/dev/null || fail "render ($prefix) failed"
done
for t in 000250 000750 001250; do
    cmp -s "$scratch/one-$t.png" "$scratch/two-$t.png" || fail "two renders at $t ms differ"
done
expect_pixel "$scratch/one-000250.png" 640 360 255,0,0
expect_pixel "$scratch/one-000750.png" 640 360 0,255,0
expect_pixel "$scratch/one-001250.png" 640 360 0,0,255
# 1280 x 720 holds the 4:3 picture 960 wide from x = 160, black bars beside it.
expect_pixel "$scratch/one-000250.png" 159 360 0,0,0
expect_pixel "$scratch/one-000250.png" 160 360 255,0,0
expect_pixel "$scratch/one-000250.png" 1119 719 255,0,0
expect_pixel "$scratch/one-000250.png" 1120 0 0,0,0
[ "$(identify -format %wx%h "$scratch/one-000250.png")" = 1280x720 ] || fail "render size"

# The built-in show, where effects keep state for the whole process (the swarms,
# the warp's texture, the shared random sequence): frames after a restart within
# one run equal those of a fresh run. From the build folder, where its scenes are.
(
    cd "$(dirname "$studio")" &&
        "$studio" render --at 130001,100001,130002 "$scratch/again" >/dev/null &&
        "$studio" render --at 100001 "$scratch/fresh" >/dev/null &&
        "$studio" render --at 130002 "$scratch/fresh" >/dev/null
) || fail "render of the built-in show failed"
for t in 100001 130002; do
    cmp -s "$scratch/again-$t.png" "$scratch/fresh-$t.png" ||
        fail "the built-in show at $t ms differs after a restart"
done

# --dir: the loose script over the archive's.
"$studio" --archive "$scratch/show.rar" --dir "$scratch/loose" render --at 100 "$scratch/dir" \
    >/dev/null || fail "render with --dir failed"
expect_pixel "$scratch/dir-000100.png" 400 300 255,255,0

# Capture: 2 s at 30 fps, the script from the folder, the soundtrack from the archive.
"$studio" --archive "$scratch/show.rar" --dir "$scratch/loose" capture --length 2000 --fps 30 \
    --size 320x240 "$scratch/short.mp4" 2>"$scratch/capture.log" || {
    fail "capture failed"
    cat "$scratch/capture.log" >&2
}
grep -q '60 frames in' "$scratch/capture.log" || fail "no progress report: $(cat "$scratch/capture.log")"
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$scratch/short.mp4")
[ "$frames" = 60 ] || fail "the capture has $frames frames, not 60"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$scratch/short.mp4")
awk -v d="$duration" 'BEGIN { exit !(d > 1.97 && d < 2.03) }' || fail "duration $duration, not 2 s"
audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,start_time \
    -of csv=p=0 "$scratch/short.mp4")
# The sound starts with frame 0: AAC's priming samples (1024) come before it.
[ "$audio" = "aac,44100,-0.023220" ] || fail "audio stream: '$audio'"
peak=$(ffmpeg -hide_banner -nostats -i "$scratch/short.mp4" -map 0:a -af volumedetect -f null - 2>&1 |
    awk '/max_volume/ { print $(NF-1) }')
awk -v p="$peak" 'BEGIN { exit !(p != "" && p > -40) }' || fail "the soundtrack is silent (peak $peak dB)"
ffmpeg -hide_banner -loglevel error -ss 1.5 -i "$scratch/short.mp4" -frames:v 1 "$scratch/still.png" ||
    fail "no frame at 1.5 s"
near_pixel "$scratch/still.png" 160 120 255,255,0
near_pixel "$scratch/still.png" 160 2 255,255,0

# A failure: a missing folder (more in studio_capture.sh).
"$studio" --archive "$scratch/show.rar" capture --length 500 --size 320x240 \
    "$scratch/nowhere/out.mp4" 2>"$scratch/err.log"
status=$?
[ "$status" = 1 ] || fail "capture into a missing folder: status $status"
grep -q 'cannot create' "$scratch/err.log" || fail "no reason given: $(cat "$scratch/err.log")"

# A scene that is missing ends the capture with its name and status 1, no file.
mkdir -p "$scratch/no-scene/data"
printf '[a]\r\nAnim3dsPlayer:data\\nothing.3ds\r\n0\r\n177000\r\n@\r\n' \
    >"$scratch/no-scene/data/script.txt"
"$studio" --dir "$scratch/no-scene" capture --length 500 "$scratch/no-scene.mp4" 2>"$scratch/err.log"
status=$?
[ "$status" = 1 ] || fail "capture with a missing scene: status $status"
grep -q "glimmer-studio: Could not load 'data.nothing.3ds'" "$scratch/err.log" ||
    fail "missing scene: $(tail -2 "$scratch/err.log")"
ls "$scratch" | grep -q '^no-scene.mp4' && fail "a missing scene left a video file"

"$studio" render --at 100 >/dev/null 2>&1
[ $? = 2 ] || fail "bad usage does not give status 2"

[ "$failed" = 0 ] && echo passed
exit "$failed"
