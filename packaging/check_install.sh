#!/usr/bin/env bash
# check_install.sh BUILD BINDIR DATADIR: installs BUILD into a scratch prefix and
# checks that the three programs, the desktop entry, its icon and the licence are there.
set -euo pipefail
build=$1
bindir=$2
datadir=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for program in benchlink benchlink-sim benchlink-qlp; do
  if [ ! -x "$prefix/$bindir/$program" ]; then
    echo "missing program: $bindir/$program"
    status=1
  fi
done
for file in applications/benchlink.desktop icons/hicolor/scalable/apps/benchlink.svg doc/benchlink/LICENSE; do
  if [ ! -s "$prefix/$datadir/$file" ]; then
    echo "missing file: $datadir/$file"
    status=1
  fi
done
desktop="$prefix/$datadir/applications/benchlink.desktop"
if [ -f "$desktop" ]; then
  # The entry starts the installed program and names the installed icon.
  grep -qx 'Exec=benchlink' "$desktop" || { echo "desktop entry: Exec is not benchlink"; status=1; }
  grep -qx 'Icon=benchlink' "$desktop" || { echo "desktop entry: Icon is not benchlink"; status=1; }
  grep -qx 'Type=Application' "$desktop" || { echo "desktop entry: no Type=Application"; status=1; }
fi
"$prefix/$bindir/benchlink-sim" --help >/dev/null || { echo "installed benchlink-sim does not run"; status=1; }
"$prefix/$bindir/benchlink-qlp" --help >/dev/null || { echo "installed benchlink-qlp does not run"; status=1; }
exit $status
