#!/usr/bin/env bash
# check.sh FOLDER
# Checks an unpacked release: the program, README.txt and the scenes are there;
# every library the program and its bundled libraries need is in FOLDER/lib or
# on the system list (common.sh), and the ones in lib/ are the ones the loader
# takes, through the relative run paths; the C library and C++ runtime they
# need are no newer than the release promises. Prints each fault with the name
# of what is missing and exits 1 when there is any.
set -uo pipefail
source "$(dirname "$0")/common.sh"

folder=$(realpath "$1")
program=$folder/glimmerfell
faults=0
fault() {
    echo "$*" >&2
    faults=$((faults + 1))
}

[ -x "$program" ] || { echo "missing: glimmerfell (the program)" >&2; exit 1; }
[ -f "$folder/README.txt" ] || fault "missing: README.txt"
for scene in "${SCENES[@]}"; do
    [ -f "$folder/$scene" ] || fault "missing scene: $scene"
done

binaries=("$program" "$folder"/lib/*.so*)
[ -e "${binaries[1]}" ] || binaries=("$program")
for binary in "${binaries[@]}"; do
    while read -r library; do
        [ -e "$folder/lib/$library" ] || is_system_library "$library" ||
            fault "missing library: $library (needed by $(basename "$binary"))"
    done < <(needed_libraries "$binary")
done

# What the loader makes of it: a bundled library found elsewhere means a
# run path is wrong; one found nowhere is missing from this system too.
while read -r library arrow path _; do
    [ "$arrow" = "=>" ] || continue
    if [ "$path" = "not" ]; then
        fault "missing library: $library (the loader finds it nowhere)"
    elif [ -e "$folder/lib/$library" ] && [ "$(realpath "$path")" != "$folder/lib/$library" ]; then
        fault "library $library is loaded from $path, not from lib/: a run path is wrong"
    fi
done < <(ldd "$program")

glibc=$(highest_version GLIBC "${binaries[@]}")
glibcxx=$(highest_version GLIBCXX "${binaries[@]}")
version_at_most "$glibc" "$GLIBC_MINIMUM" ||
    fault "needs glibc $glibc, newer than the $GLIBC_MINIMUM the release promises"
version_at_most "$glibcxx" "$GLIBCXX_MINIMUM" ||
    fault "needs GLIBCXX_$glibcxx, newer than the GLIBCXX_$GLIBCXX_MINIMUM the release promises"

if [ "$faults" -gt 0 ]; then
    echo "FAIL: $faults fault(s) in $folder" >&2
    exit 1
fi
echo "passed: $((${#binaries[@]} - 1)) bundled libraries, glibc $glibc, GLIBCXX_$glibcxx"
