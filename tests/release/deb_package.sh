#!/usr/bin/env bash
# The Debian packages as cpack makes them from the build: their control fields
# (Depends computed from the binaries, the tools depending on the demo at the
# same version), every file where the layout puts it, the desktop entry
# starting the packaged program, and, unpacked with dpkg-deb -x into a scratch
# root, the programs found there run from another working directory:
# glimmer-studio renders a frame of a 3D scene, and the demo plays under Xvfb
# as in the escape scenario of run_demo.sh (the scenes come from the root's
# usr/share/glimmerfell/data).
# Usage: deb_package.sh BUILD_DIR
# Exit status 77 (skipped) when Xvfb is missing outside CI, after the checks.
set -uo pipefail

build=$(realpath "$1")
tests=$(realpath "$(dirname "$0")/..")
source "$tests/e2e/xvfb.sh"

cpack --config "$build/CPackConfig.cmake" -B "$scratch/packages" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack failed"
version=$("$build/glimmerfell" --version | awk '{ print $2 }')
demo=$scratch/packages/glimmerfell_${version}_amd64.deb
tools=$scratch/packages/glimmerfell-tools_${version}_amd64.deb
[ -f "$demo" ] && [ -f "$tools" ] || fail "cpack made $(ls "$scratch/packages")"

# Field $2 of package $1 must contain each of the remaining words.
expect_field() {
    local package=$1 field=$2 value word
    shift 2
    value=$(dpkg-deb -f "$package" "$field")
    for word in "$@"; do
        grep -qF -- "$word" <<<"$value" || fail "$(basename "$package") $field lacks $word: $value"
    done
}
expect_field "$demo" Version "$version"
expect_field "$demo" Depends libsdl2-2.0-0 libsdl2-mixer-2.0-0 lib3ds-1-3 libpng16-16 \
    libjpeg62-turbo libglu1-mesa "libc6 (>="
expect_field "$tools" Depends "glimmerfell (= $version)" fonts-dejavu-core libavcodec

layout_demo=(
    usr/games/glimmerfell usr/share/glimmerfell/data/2 usr/share/glimmerfell/data/donut.3ds
    usr/share/applications/glimmerfell.desktop usr/share/icons/hicolor/256x256/apps/glimmerfell.png
    usr/share/man/man6/glimmerfell.6.gz usr/share/doc/glimmerfell/copyright
    usr/share/doc/glimmerfell/changelog.gz
)
layout_tools=(
    usr/bin/glimmer-studio usr/bin/glimmer-pack usr/bin/glimmer-unpack
    usr/share/man/man1/glimmer-studio.1.gz usr/share/man/man1/glimmer-pack.1.gz
    usr/share/man/man1/glimmer-unpack.1.gz usr/share/doc/glimmerfell-tools/copyright
)
root=$scratch/root
for package in "$demo" "$tools"; do
    dpkg-deb -x "$package" "$root" || fail "dpkg-deb -x $(basename "$package")"
    dpkg-deb -c "$package" | awk '{ print $6 }' | sed 's|^\./||; /\/$/d' >>"$scratch/listed"
done
for file in "${layout_demo[@]}" "${layout_tools[@]}"; do
    grep -qxF "$file" "$scratch/listed" || fail "the packages do not hold $file"
done
while read -r file; do
    [ -f "$root/$file" ] || fail "$file is listed but not unpacked"
done <"$scratch/listed"
[ -x "$root/usr/games/glimmerfell" ] || fail "usr/games/glimmerfell is not executable"
grep -qxF 'Exec="/usr/games/glimmerfell"' "$root/usr/share/applications/glimmerfell.desktop" ||
    fail "the desktop entry does not start /usr/games/glimmerfell"

mkdir "$scratch/elsewhere"
(cd "$scratch/elsewhere" &&
    "$root/usr/bin/glimmer-studio" render --at 80000 --size 160x120 frame) \
    >"$scratch/studio.log" 2>&1 || fail "the packaged glimmer-studio did not render the donut scene"
"$tests/e2e/run_demo.sh" escape "$root/usr/games/glimmerfell" "$scratch/elsewhere"
status=$?
[ "$status" -eq 0 ] || exit "$status"
echo "passed: $(basename "$demo") and $(basename "$tools")"
