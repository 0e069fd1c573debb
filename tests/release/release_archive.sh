#!/usr/bin/env bash
# The release archive as a viewer gets it: made from the build, unpacked into
# an empty folder, checked (every library the program and its bundled
# libraries need is in the folder or on the system list, and the loader takes
# the bundled ones from there), then run from another working directory under
# Xvfb with SDL's disk audio driver (the escape scenario of run_demo.sh): the
# question answered, the screen not black 5 s into the show, the music
# playing, Escape ending it with exit status 0. Faults the check must name: a
# missing scene, a missing library, a program without its run path; and a
# build without the scenes makes no archive.
# Usage: release_archive.sh BUILD_DIR
# Exit status 77 (skipped) when Xvfb is missing outside CI, after the checks.
set -uo pipefail

build=$(realpath "$1")
tests=$(realpath "$(dirname "$0")/..")
release_tools=$(realpath "$tests/../tools/release")
source "$tests/e2e/xvfb.sh"

# Runs the command in the remaining arguments, which must fail and say $1.
expect_refusal() {
    local what=$1
    shift
    "$@" >"$scratch/refusal.out" 2>&1 && fail "accepted although $what is missing"
    grep -qF "$what" "$scratch/refusal.out" ||
        fail "did not name $what: $(cat "$scratch/refusal.out")"
}

"$release_tools/bundle.sh" "$build" "$scratch/out" >"$scratch/bundle.log" 2>&1 ||
    fail "bundle.sh failed"
archive=$(ls "$scratch"/out/glimmerfell-*-linux-x86_64.tar.gz) || fail "no archive made"
mkdir "$scratch/unpacked"
tar -C "$scratch/unpacked" -xzf "$archive" || fail "the archive does not unpack"
folder=$scratch/unpacked/$(basename "$archive" .tar.gz)
[ "$(ls "$scratch/unpacked")" = "$(basename "$folder")" ] ||
    fail "the archive holds more than its one folder: $(ls "$scratch/unpacked")"
"$release_tools/check.sh" "$folder" >"$scratch/check.log" 2>&1 || fail "the unpacked release"

# A damaged copy of the release, made by the command in the arguments run in it.
damaged_copy() {
    rm -rf "$scratch/damaged"
    cp -a "$folder" "$scratch/damaged"
    (cd "$scratch/damaged" && "$@")
}
damaged_copy rm data/donut.3ds
expect_refusal data/donut.3ds "$release_tools/check.sh" "$scratch/damaged"
damaged_copy rm lib/libSDL2_mixer-2.0.so.0
expect_refusal libSDL2_mixer-2.0.so.0 "$release_tools/check.sh" "$scratch/damaged"
damaged_copy patchelf --remove-rpath glimmerfell
expect_refusal "run path" "$release_tools/check.sh" "$scratch/damaged"

mkdir -p "$scratch/no-scenes"
ln -s "$build/glimmerfell" "$scratch/no-scenes/glimmerfell"
expect_refusal data/2 "$release_tools/bundle.sh" "$scratch/no-scenes" "$scratch/out-no-scenes"
[ ! -e "$scratch/out-no-scenes" ] || [ -z "$(ls "$scratch/out-no-scenes")" ] ||
    fail "a build without scenes left $(ls "$scratch/out-no-scenes")"

mkdir "$scratch/elsewhere"
"$tests/e2e/run_demo.sh" escape "$folder/glimmerfell" "$scratch/elsewhere"
status=$?
[ "$status" -eq 0 ] || exit "$status"
echo "passed: $(tail -n1 "$scratch/bundle.log")"
