#!/bin/sh
# Makes the .deb once for the packaging tests: CPACK CONFIG OUT_DIR. The package lands in
# OUT_DIR (apart from `make package`'s), unpacked in OUT_DIR/root for the checks of its files.
set -eu
cpack=$1
config=$2
out=$3

rm -rf "$out"
mkdir -p "$out"
if ! "$cpack" --config "$config" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  echo "build_deb: cpack failed" >&2
  exit 1
fi
set -- "$out"/*.deb
if [ "$#" -ne 1 ] || [ ! -f "$1" ]; then
  echo "build_deb: expected one .deb in $out, found: $*" >&2
  exit 1
fi
ln -s "$(basename "$1")" "$out/orvex.deb"
dpkg -x "$1" "$out/root"
dpkg-deb --control "$1" "$out/control"
dpkg-deb --info "$1"
