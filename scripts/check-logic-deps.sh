#!/bin/sh
# Fails when a logic layer (core, import, app, run, vision, devices, sim) includes anything
# outside the C++ standard library and POSIX: Qt, USB, HID and V4L2 belong in platform/.
set -eu
bad=$(grep -rnE '#include *[<"](Q[A-Za-z]+|qt|libusb|hidapi|linux/videodev|libv4l|poppler|gtest|benchmark)' \
  src/core src/import src/app src/run src/vision src/devices src/sim || true)
if [ -n "$bad" ]; then
  echo "logic layers must use the standard library only:"
  echo "$bad"
  exit 1
fi
echo "logic layers: standard library only"
