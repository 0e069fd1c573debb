#!/usr/bin/env bash
# Reloads in glimmer-studio's play mode on a private X server, the show's own
# script in a --dir folder, paused at a demo time: the script is saved again
# (the same bytes) RELOADS times, each save waited for. Prints the resident
# memory after some of the reloads, and the time from each save to the new
# picture as the studio reports it (from the file's time to the picture drawn),
# beside the studio's own figure for the reload and the time this script saw
# (which adds its own polling, up to 0.1 s).
# Usage: bench/studio-reload.sh BUILD_DIR [RELOADS] [AT_MS]
set -uo pipefail

build=$(realpath "$1")
reloads=${2:-100}
at=${3:-1000}
source "$(dirname "$0")/../tests/e2e/xvfb.sh"
require_xvfb

mkdir -p "$scratch/show/data"
"$build/glimmer-unpack" --embedded 'data\script.txt' "$scratch/script.txt" ||
    fail "cannot take the script out of the program"
cp "$scratch/script.txt" "$scratch/show/data/script.txt"
start_xvfb || fail "Xvfb did not start"
cd "$build" || exit 1
SDL_AUDIODRIVER=dummy ./glimmer-studio --dir "$scratch/show" play --start "$at" \
    >"$scratch/studio.log" 2>"$scratch/studio-errors.log" &
pid=$!
end_on_exit "$pid"
wait_for 600 grep -q 'playing from' "$scratch/studio.log" || fail "the studio did not start"
xdotool key --window "$(window_id glimmer-studio)" space
wait_for 600 grep -q 'paused at' "$scratch/studio.log" || fail "no pause"

resident() { awk '/VmRSS/ { printf "%.0f", $2 / 1024 }' "/proc/$pid/status"; }
reports() { grep -c 'data.script.txt reloaded' "$scratch/studio.log"; }

echo "paused at $(grep 'paused at' "$scratch/studio.log" | sed -E 's/.* ([0-9]+) ms/\1/') ms"
echo "| reloads | resident MB |"
echo "|---:|---:|"
echo "| 0 | $(resident) |"
latencies=()
for ((n = 1; n <= reloads; n++)); do
    cat "$scratch/script.txt" >"$scratch/show/data/script.txt"
    saved=$(date +%s%N)
    wait_for 600 bash -c "[ \$(grep -c 'data.script.txt reloaded' '$scratch/studio.log') -ge $n ]" ||
        fail "save $n was not reloaded"
    latencies+=($((($(date +%s%N) - saved) / 1000000)))
    case $n in 1 | 10 | 20 | 40 | 60 | 80 | 100 | 200) echo "| $n | $(resident) |" ;; esac
done
grep -q 'not reloaded\|cannot go on' "$scratch/studio.log" && fail "a reload failed"

# The median and largest of numbers, one a line.
summary() { sort -n | awk -v unit="$1" '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] unit " median, " v[NR] unit " largest" }'; }
reload_lines() { grep 'data.script.txt reloaded' "$scratch/studio.log"; }
echo
echo "save to picture (the studio's figure): $(reload_lines | sed -E 's/.*, ([0-9.]+) s after the save\)$/\1/' | summary ' s') over $reloads saves"
echo "the studio's reload: $(reload_lines | sed -E 's/.*\(([0-9.]+) s, .*/\1/' | summary ' s')"
echo "save to report as seen here: $(printf '%s\n' "${latencies[@]}" | summary ' ms')"
