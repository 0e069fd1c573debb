#!/usr/bin/env bash
# Makes a release in build-release/release/: the Debian packages
#   glimmerfell_VERSION_amd64.deb        the demo, its scenes, desktop entry, icon
#   glimmerfell-tools_VERSION_amd64.deb  glimmer-studio, glimmer-pack, glimmer-unpack
# and the self-contained archive glimmerfell-VERSION-linux-x86_64.tar.gz (the
# program, its scenes, README.txt and the libraries a desktop may lack).
# It builds in build-release/ (release with debug info, as the tests build it,
# with Debian's hardening flags; no tests, no benchmarks); the binaries are
# stripped in both. The archive is checked (tools/release/check.sh) as it is
# made. The packages tools/setup.sh installs are needed.
set -euo pipefail
cd "$(dirname "$0")/.."

for command in cmake cpack dpkg-buildflags dpkg-shlibdeps patchelf readelf objdump; do
    command -v "$command" >/dev/null ||
        { echo "release.sh: $command is missing: run tools/setup.sh" >&2; exit 1; }
done

# Debian's flags for packages, with every hardening feature; CMake reads no
# CPPFLAGS, so the preprocessor's go with the compilers'.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CPPFLAGS $CFLAGS" CXXFLAGS="$CPPFLAGS $CXXFLAGS"

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_TESTS=OFF \
    -DGLIMMER_BENCH=OFF
cmake --build build-release -j "$(nproc)"
rm -rf build-release/release
cpack --config build-release/CPackConfig.cmake -B build-release/release
rm -rf build-release/release/_CPack_Packages
tools/release/bundle.sh build-release build-release/release
ls -l build-release/release/*.deb build-release/release/*.tar.gz
