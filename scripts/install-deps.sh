#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing Benchlink needs.
# Idempotent: when everything is present it changes nothing and touches no network.
#   --windows  also what the Windows cross build and its tests under Wine need
#              (make windows, make windows-test)
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev
  fonts-dejavu-core xvfb xauth
  ser2net
)
if [ "${1:-}" = "--windows" ]; then
  # mingw-w64 with POSIX threads (std::thread), GoogleTest's sources to build with it,
  # and 64-bit Wine to run the result.
  packages+=(g++-mingw-w64-x86-64-posix googletest wine64)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "Missing packages (${missing[*]}) and not root: run this script as root." >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
