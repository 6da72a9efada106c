#!/usr/bin/env bash
# with-window-manager.sh COMMAND...: runs COMMAND as a client of a fresh X
# server (Xvfb) whose windows a real window manager (openbox) frames, the way
# a desktop session shows them, on Qt's xcb platform. Both are stopped
# afterwards. Exits 77 (a skipped test) when Xvfb or openbox is missing.
set -euo pipefail
for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the pipe given to -displayfd.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 number <"$work/display" || { cat "$work/xvfb.log"; echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$number"

HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
# The window manager is running once it has announced itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || { cat "$work/openbox.log"; echo "openbox did not start"; exit 1; }

QT_QPA_PLATFORM=xcb "$@"
