#!/bin/sh
# Test code against product code: non-blank lines of .cpp/.h that are not // comments, under
# tests/ against src/, for the whole tree and per folder. Run from anywhere in the checkout.
set -eu
cd "$(dirname "$0")/.."
count() {
  find "$@" \( -name '*.cpp' -o -name '*.h' \) -type f -print0 2>/dev/null |
    xargs -0 cat 2>/dev/null | grep -v '^[[:space:]]*$' | grep -cv '^[[:space:]]*//' || true
}
for dir in src/*/; do
  name=$(basename "$dir")
  code=$(count "$dir")
  case $name in
    platform) tests=$(count tests/platform tests/usb tests/v4l2) ;;  # the adapters' fake devices
    *) tests=$(count "tests/$name") ;;
  esac
  awk -v n="$name" -v t="$tests" -v c="$code" 'BEGIN { printf "%-9s %6d / %6d  %.2f\n", n, t, c, t / c }'
done
shared=$(count tests/support)
echo "support   $shared (shared harnesses and fakes, counted in the total)"
awk -v t="$(count tests)" -v c="$(count src)" \
  'BEGIN { printf "total     %6d / %6d  %.2f\n", t, c, t / c }'
