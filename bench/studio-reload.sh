#!/usr/bin/env bash
# Reloads in glimmer-studio's play mode on a private X server, the show's own
# script in a --dir folder, paused at a demo time: the script is saved again
# (the same bytes) RELOADS times, each save waited for. Prints the resident
# memory after some of the reloads, and the time from each save to the studio's
# report of the new show (median and largest; the report comes once the new
# picture is drawn), beside the studio's own figure for the reload.
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

own=$(grep 'data.script.txt reloaded' "$scratch/studio.log" | sed -E 's/.*\((.*) s\)$/\1/' |
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] " s median, " v[NR] " s largest" }')
sorted=$(printf '%s\n' "${latencies[@]}" | sort -n)
echo
echo "save to report: $(echo "$sorted" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] " ms median, " v[NR] " ms largest" }') over $reloads saves; the studio's reload: $own"
