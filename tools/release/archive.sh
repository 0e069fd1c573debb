#!/usr/bin/env bash
# archive.sh SOURCE_DIR BUILD_DIR SHOW_ARCHIVE OUT_DIR
# Builds the program alone (GLIMMER_PROGRAM_ONLY) from SOURCE_DIR into BUILD_DIR
# around the show's archive SHOW_ARCHIVE, with Debian's hardening flags, and
# makes the release archive from it in OUT_DIR (bundle.sh, which takes the
# libraries from this system and the scenes from BUILD_DIR/data). bullseye.sh
# runs it inside the Debian 11 root; it stops at the first step that fails.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
source "$here/common.sh"

[ $# -eq 4 ] || { echo "usage: archive.sh SOURCE_DIR BUILD_DIR SHOW_ARCHIVE OUT_DIR" >&2; exit 2; }
source=$1 build=$2 show=$3 out=$4

export_package_flags
cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_PROGRAM_ONLY=ON \
    -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_ARCHIVE="$show"
cmake --build "$build" -j "$(nproc)" --target glimmerfell
rm -rf "$out"
mkdir -p "$out"
"$here/bundle.sh" "$build" "$out"
