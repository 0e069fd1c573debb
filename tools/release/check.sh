#!/usr/bin/env bash
# check.sh FOLDER
# Checks an unpacked release: the program, README.txt and the scenes are there;
# every library the program and its bundled libraries need is in FOLDER/lib or
# on the system list (common.sh), and the ones in lib/ are the ones the loader
# takes, through the relative run paths; the C library and C++ runtime they
# need are no newer than the release promises (each file's highest versions are
# printed). Prints each fault with the name of what is missing or too new and
# exits 1 when there is any.
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
    done < <(libraries_of "$binary")
done

# What the loader makes of it, for the program and for the bundled libraries
# it loads itself: a bundled library found elsewhere means a run path is wrong,
# unless a system library needs it too (the program's load may then take the
# system's copy first, which serves both); one found nowhere is missing from
# this system too.
loaded_by_the_program=()
for library in "${LOADED_BY_THE_PROGRAM[@]}"; do
    [ -e "$folder/lib/$library" ] && loaded_by_the_program+=("$folder/lib/$library")
done
loaded=$(ldd "$program" "${loaded_by_the_program[@]}" | grep -v ':$')
declare -A needed_by_system
while read -r library arrow path _; do
    if [ "$arrow" = "=>" ] && [ -e "$path" ] && [ ! -e "$folder/lib/$library" ]; then
        for needed in $(needed_libraries "$path"); do needed_by_system[$needed]=1; done
    fi
done <<<"$loaded"
while read -r library arrow path _; do
    [ "$arrow" = "=>" ] || continue
    if [ "$path" = "not" ]; then
        fault "missing library: $library (the loader finds it nowhere)"
    elif [ -e "$folder/lib/$library" ] && [ "$(realpath "$path")" != "$folder/lib/$library" ] &&
        [ -z "${needed_by_system[$library]:-}" ]; then
        fault "library $library is loaded from $path, not from lib/: a run path is wrong"
    fi
done <<<"$loaded"

# The C library and the C++ runtime: each file's highest symbol versions are
# listed; a symbol newer than the release promises is a fault naming the file,
# the version and the symbols.
declare -A promised=([GLIBC]=$GLIBC_MINIMUM [GLIBCXX]=$GLIBCXX_MINIMUM [CXXABI]=$CXXABI_MINIMUM)
all_symbols=""
for binary in "${binaries[@]}"; do
    symbols=$(needed_symbols "$binary")
    all_symbols+=$symbols$'\n'
    maxima=""
    for family in GLIBC GLIBCXX CXXABI; do
        versions=$(versions_of "$family" <<<"$symbols")
        [ -n "$versions" ] && maxima+=" ${family}_$(tail -n1 <<<"$versions")"
        for version in $versions; do
            version_at_most "$version" "${promised[$family]}" && continue
            names=$(awk -v v="${family}_$version" '$1 == v { print $2 }' <<<"$symbols" |
                sort -u | tr '\n' ' ')
            fault "$(basename "$binary") needs ${family}_$version, newer than the" \
                "${family}_${promised[$family]} the release promises: ${names% }"
        done
    done
    echo "$(basename "$binary"):${maxima:- no versioned C or C++ runtime symbols}"
done
glibc=$(versions_of GLIBC <<<"$all_symbols" | tail -n1)
glibcxx=$(versions_of GLIBCXX <<<"$all_symbols" | tail -n1)

if [ "$faults" -gt 0 ]; then
    echo "FAIL: $faults fault(s) in $folder" >&2
    exit 1
fi
echo "passed: $((${#binaries[@]} - 1)) bundled libraries, glibc $glibc, GLIBCXX_$glibcxx"
