#!/bin/sh
# Installs the Debian packages Orvex needs that are missing on this machine.
# As root it runs apt-get itself; otherwise it prints the exact apt-get line and fails.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
libgtest-dev libgmock-dev libbenchmark-dev
qt6-base-dev qt6-base-private-dev qt6-tools-dev qt6-l10n-tools qt6-svg-dev libqt6svg6
libusb-1.0-0-dev libhidapi-dev libv4l-dev
umockdev libumockdev-dev udev dbus-daemon
libpoppler-private-dev poppler-utils librsvg2-bin ghostscript gnuplot-nox
clang libclang-rt-14-dev
xvfb xauth xdotool imagemagick
dpkg-dev file lintian desktop-file-utils appstream man-db
"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

echo "orvex: missing Debian packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
else
  echo "orvex: run this as root, then try again:"
  echo "  sudo apt-get install -y$missing"
  exit 1
fi
