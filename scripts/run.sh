#!/usr/bin/env bash
# Starts Benchlink; refuses politely when there is no display to show it on.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start it under a display server, for example: xvfb-run make run" >&2
  exit 1
fi
exec "$build/benchlink"
