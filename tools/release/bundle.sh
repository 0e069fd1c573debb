#!/usr/bin/env bash
# bundle.sh BUILD_DIR OUT_DIR
# Makes the self-contained release archive OUT_DIR/glimmerfell-VERSION-linux-x86_64.tar.gz
# from a build: the program, its 3D scenes in data/, README.txt, and in lib/
# every shared library it needs that is not on the system list (common.sh),
# taken from this machine, the dependencies of those included. The program's
# run path is $ORIGIN/lib and each bundled library's $ORIGIN, so the folder runs
# wherever it is unpacked. The unpacked folder is left beside the archive and
# checked with check.sh. Exits 1 naming what is missing when the build lacks
# the program, a scene or a library.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
source "$here/common.sh"

build=$(realpath "$1")
out=$(realpath "$2")
fail() {
    echo "bundle.sh: $*" >&2
    exit 1
}

[ -x "$build/glimmerfell" ] || fail "missing: $build/glimmerfell"
for scene in "${SCENES[@]}"; do
    [ -f "$build/$scene" ] || fail "missing scene: $build/$scene"
done
command -v patchelf >/dev/null || fail "patchelf is not installed (Debian package patchelf)"

version=$("$build/glimmerfell" --version | awk '{ print $2 }')
name=glimmerfell-$version-linux-x86_64
folder=$out/$name
rm -rf "$folder" "$out/$name.tar.gz"
mkdir -p "$folder/lib" "$folder/data"

install -m 755 "$build/glimmerfell" "$folder/glimmerfell"
strip --strip-unneeded -R .comment "$folder/glimmerfell"
patchelf --set-rpath '$ORIGIN/lib' "$folder/glimmerfell"
for scene in "${SCENES[@]}"; do
    install -m 644 "$build/$scene" "$folder/$scene"
done

# Where this machine's loader finds each library the program needs, directly
# or not, and those it loads itself with theirs: soname, then path.
declare -A found
for library in "${LOADED_BY_THE_PROGRAM[@]}"; do
    path=$(cached_path "$library")
    [ -n "$path" ] || fail "missing library: $library (loaded by glimmerfell)"
    found[$library]=$path
done
while read -r library arrow path _; do
    [ "$arrow" = "=>" ] && found[$library]=$path
done < <(ldd "$build/glimmerfell" "${found[@]}" | grep -v ':$')

# Every library needed by the program or by a bundled library, breadth first.
queue=("$build/glimmerfell")
while [ ${#queue[@]} -gt 0 ]; do
    binary=${queue[0]}
    queue=("${queue[@]:1}")
    for library in $(libraries_of "$binary"); do
        if is_system_library "$library" || [ -e "$folder/lib/$library" ]; then
            continue
        fi
        path=${found[$library]:-not}
        [ "$path" != "not" ] || fail "missing library: $library (needed by $(basename "$binary"))"
        install -m 644 "$(realpath "$path")" "$folder/lib/$library"
        patchelf --set-rpath '$ORIGIN' "$folder/lib/$library"
        queue+=("$folder/lib/$library")
    done
done

weight() { du -sk --apparent-size "$@" | awk '{ total += $1 } END { printf "%.1f MB", total / 1024 }'; }
libraries=$(cd "$folder/lib" && ls | sed 's/\.so.*//' | tr '\n' ' ')
sed -e "s|@VERSION@|$version|g" -e "s|@GLIBC@|$GLIBC_MINIMUM|g" \
    -e "s|@GLIBCXX@|$GLIBCXX_MINIMUM|g" -e "s|@LIBRARY_COUNT@|$(ls "$folder/lib" | wc -l)|g" \
    -e "s|@LIBRARIES_WEIGHT@|$(weight "$folder/lib")|g" -e "s|@LIBRARIES@|$libraries|g" \
    -e "s|@SYSTEM_LIBRARIES@|${SYSTEM_LIBRARIES[*]}|g" "$here/README.txt.in" |
    fold -s -w 79 | sed 's/ *$//' >"$folder/README.txt"

# Owner, order and times fixed, so the same build makes the same archive.
tar -C "$out" --owner=0 --group=0 --numeric-owner --sort=name \
    --mtime="@${SOURCE_DATE_EPOCH:-$(stat -c %Y "$build/glimmerfell")}" -czf "$out/$name.tar.gz" "$name"
"$here/check.sh" "$folder"
echo "$out/$name.tar.gz: $(weight "$out/$name.tar.gz") packed, $(weight "$folder") unpacked" \
    "(program $(weight "$folder/glimmerfell"), libraries $(weight "$folder/lib"))"
