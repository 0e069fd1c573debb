#!/usr/bin/env bash
# Builds everything (installing what it needs) and runs the whole test suite,
# then runs it again built with the address and undefined-behaviour sanitizers
# (in build-asan/, without the benchmarks, the three-minute whole show,
# labelled long, and the release tests, labelled release).
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
(cd build && ctest --output-on-failure -j "$(nproc)")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_SANITIZE=ON \
    -DGLIMMER_BENCH=OFF
cmake --build build-asan -j "$(nproc)"
source tests/sanitizers/environment.sh
(cd build-asan && ctest --output-on-failure -j "$(nproc)" -LE 'long|release')
