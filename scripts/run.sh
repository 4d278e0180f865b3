#!/usr/bin/env bash
# Starts Benchlink; refuses politely when there is no display to show it on.
# `run.sh --check` only makes that check.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start Benchlink under a display server, for example with: xvfb-run make run" >&2
  exit 1
fi
[ "${1:-}" = "--check" ] && exit 0
build=${1:-build}
exec "$build/benchlink"
