#!/usr/bin/env bash
# Starts Kelsim; without a display, says how to start it and analyses a bundled example.
set -euo pipefail
build=${1:-build}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/src/app/kelsim" ]; then
  exec "$build/src/app/kelsim"
fi
if [ -x "$build/src/app/kelsim" ]; then
  echo "No display found. To use the desktop program, start it on a desktop with:"
  echo "    $build/src/app/kelsim"
  echo "or under a virtual display:  xvfb-run $build/src/app/kelsim"
  echo
fi
echo "Analysing examples/taste.dat with the command line:"
echo "    kelsim-cli examples/taste.dat --factor Group:2 --factor Subject:5 --factor Time:3 --repeated Subject --seed 7"
echo
exec "$build/src/cli/kelsim-cli" examples/taste.dat --factor Group:2 --factor Subject:5 --factor Time:3 \
  --repeated Subject --seed 7
