#!/bin/sh
# The package's postinst on this machine, with a udevadm that only records its calls in front
# of PATH: it reloads the rules when udev runs (its control socket exists) and does nothing
# otherwise, and it always succeeds. Usage: postinst_test.sh OUT_DIR (as build_deb.sh left it).
set -eu
out=$1
postinst=$out/control/postinst

scratch=$(mktemp -d "${TMPDIR:-/tmp}/orvex-postinst.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cat >"$scratch/udevadm" <<'FAKE'
#!/bin/sh
echo "$*" >>"$UDEVADM_LOG"
FAKE
chmod +x "$scratch/udevadm"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -x "$postinst" ] || fail "the package has no executable postinst"
UDEVADM_LOG=$scratch/calls PATH="$scratch:/usr/bin:/bin" sh "$postinst" configure ||
  fail "postinst configure exited with $?"
if [ -S /run/udev/control ]; then
  grep -qx 'control --reload' "$scratch/calls" || fail "udev runs, the rules were not reloaded"
  echo "udev runs here: the rules were reloaded; calls: $(tr '\n' ';' <"$scratch/calls")"
else
  [ ! -e "$scratch/calls" ] || fail "no udev here, yet udevadm was called: $(cat "$scratch/calls")"
  echo "no udev here: postinst did nothing"
fi
