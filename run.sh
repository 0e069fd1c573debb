#!/usr/bin/env bash
# Builds glimmerfell (installing what it needs) and runs the demo.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
cd build
exec ./glimmerfell
