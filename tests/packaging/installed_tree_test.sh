#!/bin/sh
# The .deb unpacked into a fresh root runs on its own: `orvex --version`, and `orvex-cli import`
# of both installed samples, with a clean environment whose PATH holds nothing, so the PDF
# converter can only be the one installed beside the programs. Usage: installed_tree_test.sh DEB
set -eu
deb=$1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/orvex-installed.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
home=$scratch/home
mkdir -p "$home" "$scratch/empty-path"
dpkg -x "$deb" "$root"
bin=$root/usr/bin
samples=$root/usr/share/orvex/samples

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Nothing of the build tree and nothing of this shell's environment: no LD_LIBRARY_PATH, and a
# PATH on which neither orvex-pdf2ps nor pdftops can be found.
installed() {
  env -i HOME="$home" PATH="$scratch/empty-path" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"
}

for program in orvex orvex-cli orvex-pdf2ps; do
  [ -x "$bin/$program" ] || fail "$program is not installed in /usr/bin"
  if readelf -d "$bin/$program" | grep -Eq 'RPATH|RUNPATH'; then
    fail "$program carries a library search path: $(readelf -d "$bin/$program" | grep PATH)"
  fi
done

upstream=$(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')
version=$(installed "$bin/orvex" --version) || fail "orvex --version exited with $?"
[ "$version" = "orvex Version $upstream" ] ||
  fail "orvex --version says '$version', the package is $upstream"

# The settings and working directory land where a Linux user looks for them.
help=$(installed "$bin/orvex" --help) || fail "orvex --help exited with $?"
echo "$help" | grep -qF "$home/.config/Kvo/orvex.conf" || fail "orvex --help: $help"
echo "$help" | grep -qF "$home/.local/share/orvex" || fail "orvex --help: $help"

out=$(installed "$bin/orvex-cli" import "$samples/label-sheet.eps" --json) ||
  fail "import of the EPS sample exited with $?: $out"
echo "$out" | grep -q '"ok": true' || fail "import of the EPS sample: $out"
[ -f "$home/.local/share/orvex/sort.prn" ] || fail "no sort.prn in the default working directory"

out=$(installed "$bin/orvex-cli" import "$samples/label-sheet.pdf" --workdir "$scratch/pdf" \
  --settings "$scratch/pdf.conf" --json) || fail "import of the PDF sample exited with $?: $out"
echo "$out" | grep -q '"ok": true' || fail "import of the PDF sample: $out"
echo "$out" | grep -q '"kind": "pdf"' || fail "the PDF sample was not read as a PDF: $out"

# Without the installed converter the same import is refused: the one above used it.
mv "$bin/orvex-pdf2ps" "$scratch/orvex-pdf2ps"
if out=$(installed "$bin/orvex-cli" import "$samples/label-sheet.pdf" --workdir "$scratch/none" \
  --settings "$scratch/none.conf" --json); then
  fail "the PDF sample was imported without orvex-pdf2ps: $out"
fi
echo "$out" | grep -q '"ok": false' || fail "import without a converter: $out"

echo "installed tree: $version; both samples imported, the PDF through $upstream's orvex-pdf2ps"
