#!/bin/sh
# Runs every benchmark program in BUILD/bin.
set -eu
build=$1
for bench in "$build"/bin/orvex_bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench"
done
