#!/usr/bin/env bash
# Sets everything up and starts the desktop application on the built-in demo
# machine, where no real disk is touched. Extra arguments are passed on (a
# command such as `list` runs the command line instead of the windows).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && (($# == 0)); then
  echo "run-demo: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
  echo "run-demo: run it on a desktop, under xvfb-run, or draw the windows into pictures:" >&2
  echo "          build/src/drivecopy --machine demo --screenshots /tmp/drivecopy-shots" >&2
  exit 1
fi
exec build/src/drivecopy --machine demo "$@"
