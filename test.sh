#!/usr/bin/env bash
# Builds everything (installing what it needs) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
cd build
ctest --output-on-failure -j "$(nproc)"
