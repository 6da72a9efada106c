#!/usr/bin/env bash
# Sets everything up and starts the program on the built-in demo machine,
# where no real disk is touched. Extra arguments replace the default command.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if (($#)); then exec build/src/drivecopy --machine demo "$@"; fi
exec build/src/drivecopy --machine demo list
