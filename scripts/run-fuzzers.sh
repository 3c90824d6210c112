#!/bin/sh
# Runs every fuzz target in BUILD/bin for SECONDS each, starting from fuzz/corpus/NAME.
# New inputs go to a scratch copy, so the committed corpus stays as it is.
set -eu
build=$1
seconds=$2
status=0
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target" | sed 's/^fuzz_//')
  work="$build/fuzz-work/$name"
  rm -rf "$work" && mkdir -p "$work"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/fuzz-work/$name-" "$work" 2>"$build/fuzz-work/$name.log"; then
    tail -50 "$build/fuzz-work/$name.log"
    status=1
  else
    tail -3 "$build/fuzz-work/$name.log"
  fi
done
exit $status
