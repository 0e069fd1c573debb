#!/usr/bin/env bash
# The release archive as a viewer gets it: built as tools/release.sh builds it,
# in a Debian 11 root (glibc 2.31, BUILD_DIR/bullseye-root, made the first time)
# around this build's show, unpacked into an empty folder, checked (every
# library the program and its bundled libraries need is in the folder or on the
# system list, the loader takes the bundled ones from there, nothing needs a C
# library or C++ runtime newer than Debian 11's), then run from another working
# directory under Xvfb with SDL's disk audio driver (the escape scenario of
# run_demo.sh: the question answered, the screen not black 5 s into the show,
# the music playing, Escape ending it with exit status 0), here and once more
# inside the Debian 11 root. Faults the check must name: a missing scene, a
# missing library, a program without its run path, a library of this machine
# needing a newer glibc; and a build without the scenes makes no archive.
# Usage: release_archive.sh BUILD_DIR
# Exit status 77 (skipped) outside CI when not run as the superuser (the
# chroot needs it), or when Xvfb is missing after the checks.
set -uo pipefail

build=$(realpath "$1")
tests=$(realpath "$(dirname "$0")/..")
release_tools=$(realpath "$tests/../tools/release")
source "$tests/e2e/xvfb.sh"
root=$build/bullseye-root

if [ "$(id -u)" -ne 0 ]; then
    [ -n "${CI:-}" ] && fail "the archive is built in a chroot, which needs root"
    echo "skipped: the archive is built in a chroot, which needs root"
    exit 77
fi

# Runs the command in the remaining arguments, which must fail and say $1.
expect_refusal() {
    local what=$1
    shift
    "$@" >"$scratch/refusal.out" 2>&1 && fail "accepted although $what is missing"
    grep -qF "$what" "$scratch/refusal.out" ||
        fail "did not name $what: $(cat "$scratch/refusal.out")"
}

"$release_tools/bullseye.sh" build "$root" "$build" "$scratch/out" >"$scratch/bundle.log" 2>&1 ||
    fail "the build in the Debian 11 root failed"
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
# This machine's SDL2 in place of Debian 11's.
damaged_copy cp "$(realpath /usr/lib/x86_64-linux-gnu/libSDL2-2.0.so.0)" lib/libSDL2-2.0.so.0
expect_refusal "libSDL2-2.0.so.0 needs GLIBC_2.3" "$release_tools/check.sh" "$scratch/damaged"

mkdir -p "$scratch/no-scenes"
ln -s "$build/glimmerfell" "$scratch/no-scenes/glimmerfell"
expect_refusal data/2 "$release_tools/bundle.sh" "$scratch/no-scenes" "$scratch/out-no-scenes"
[ ! -e "$scratch/out-no-scenes" ] || [ -z "$(ls "$scratch/out-no-scenes")" ] ||
    fail "a build without scenes left $(ls "$scratch/out-no-scenes")"

# The escape scenario with the program $1, run from another folder; its
# failure (or skip) is this test's. The end-to-end script's own scratch folder
# lies in this test's, which the Debian 11 root sees.
escape_scenario() {
    TMPDIR=$scratch "$tests/e2e/run_demo.sh" escape "$1" "$scratch/elsewhere"
    local status=$?
    [ "$status" -eq 0 ] || exit "$status"
}
mkdir "$scratch/elsewhere"
echo "On this machine:"
escape_scenario "$folder/glimmerfell"

# Once more inside the root, through a program that starts the unpacked one there.
echo "In the Debian 11 root:"
glibc=$(cd "$scratch" && "$release_tools/bullseye.sh" run "$root" "$scratch" ldd --version | head -n1)
grep -q " 2\.31$" <<<"$glibc" || fail "the root's C library is not glibc 2.31: $glibc"
printf '#!/bin/sh\nexec "%s" run "%s" "%s" "%s"\n' "$release_tools/bullseye.sh" "$root" \
    "$scratch" "$folder/glimmerfell" >"$scratch/in-bullseye"
chmod +x "$scratch/in-bullseye"
escape_scenario "$scratch/in-bullseye"
echo "passed, here and in the Debian 11 root: $(tail -n1 "$scratch/bundle.log")"
