#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages the build and the
# tests need when any is missing, then configures and builds into build/.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libsdl2-dev libsdl2-mixer-dev libmpg123-0 libmpg123-dev
  # glimmer_question_bench keeps an X connection of its own.
  libx11-dev
  libpng-dev libjpeg62-turbo-dev zlib1g-dev lib3ds-dev
  libfreetype-dev fonts-dejavu-core libmp3lame-dev
  libgtest-dev libbenchmark-dev
  # The archive benchmark's second reference decompressor.
  libdeflate-dev
  # glimmer-studio's video capture, and ffprobe for its tests.
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
  # The private X server and what the end-to-end tests drive it with. SDL's
  # message boxes on X11 draw with the core fonts of xfonts-base, which Xvfb
  # only recommends.
  xvfb xauth xfonts-base x11-utils xdotool imagemagick
  sox libsox-fmt-mp3 xz-utils python3
  # bench/performance-report.sh: peak memory through GNU time.
  time
  # The release: the Debian packages (dpkg-shlibdeps) and the archive's run
  # paths; the archive's program is built in a Debian 11 root made by debootstrap.
  dpkg-dev patchelf debootstrap
)

missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j "$(nproc)"
