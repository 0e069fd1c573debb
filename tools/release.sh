#!/usr/bin/env bash
# Makes a release in build-release/release/: the Debian packages, for Debian 12
#   glimmerfell_VERSION_amd64.deb        the demo, its scenes, desktop entry, icon
#   glimmerfell-tools_VERSION_amd64.deb  glimmer-studio, glimmer-pack, glimmer-unpack
# and the self-contained archive glimmerfell-VERSION-linux-x86_64.tar.gz (the
# program, its scenes, README.txt and the libraries a desktop may lack), for
# glibc 2.31 or later.
# It builds in build-release/ (release with debug info, as the tests build it,
# with Debian's hardening flags; no tests, no benchmarks): the packages from
# there, the show's archive and scenes for the self-contained archive, whose
# program is built again, around that show archive, in a Debian 11 root kept in
# build-release/bullseye-root (tools/release/bullseye.sh, run as root: with
# sudo unless this runs as root). The binaries are stripped in both. The
# archive is checked (tools/release/check.sh) as it is made. The packages
# tools/setup.sh installs are needed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/release/common.sh

for command in cmake cpack dpkg-buildflags dpkg-shlibdeps; do
    command -v "$command" >/dev/null ||
        { echo "release.sh: $command is missing: run tools/setup.sh" >&2; exit 1; }
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

export_package_flags
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_TESTS=OFF \
    -DGLIMMER_BENCH=OFF
cmake --build build-release -j "$(nproc)"
rm -rf build-release/release
cpack --config build-release/CPackConfig.cmake -B build-release/release
rm -rf build-release/release/_CPack_Packages
$sudo tools/release/bullseye.sh build build-release/bullseye-root build-release build-release/release
ls -l build-release/release/*.deb build-release/release/*.tar.gz
