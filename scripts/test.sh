#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the core and simulated
# machine tests, and (as root, where loop devices exist) the real-device tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build
ctest --output-on-failure --timeout 600 "$@"
