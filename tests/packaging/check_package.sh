#!/bin/sh
# The checks a Debian package, a desktop entry, a metainfo file and manual pages are held to,
# run on what the .deb ships. Usage: check_package.sh CHECK OUT_DIR SOURCE_DIR, with OUT_DIR as
# build_deb.sh left it. Exit 77 (skipped) when the checking tool is not installed.
set -eu
check=$1
out=$2
source=$3
root=$out/root

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need() {
  if ! command -v "$1" >/dev/null 2>&1; then
    echo "SKIP: $1 is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
}

case $check in
  lintian)
    need lintian
    # The overrides come from the package itself; info tags are shown but do not fail.
    lintian --fail-on error,warning --display-info "$out/orvex.deb" || fail "lintian"
    ;;

  desktop-entry)
    need desktop-file-validate
    entry=$root/usr/share/applications/org.orvex.Orvex.desktop
    [ -f "$entry" ] || fail "no desktop entry in the package"
    report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
    [ -z "$report" ] || fail "desktop-file-validate: $report"
    # What the entry names is in the package.
    grep -qx 'Exec=orvex %f' "$entry" || fail "the entry does not run 'orvex %f'"
    [ -x "$root/usr/bin/orvex" ] || fail "the entry's program is not in /usr/bin"
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/org.orvex.Orvex.svg" ] ||
      fail "the entry's icon is not in the hicolor theme"
    ;;

  metainfo)
    need appstreamcli
    metainfo=$root/usr/share/metainfo/org.orvex.Orvex.metainfo.xml
    [ -f "$metainfo" ] || fail "no metainfo in the package"
    appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate"
    upstream=$(dpkg-deb -f "$out/orvex.deb" Version | sed 's/-[^-]*$//')
    grep -q "<release version=\"$upstream\"" "$metainfo" ||
      fail "the metainfo's release is not the package's version $upstream"
    # The screenshots it names are the ones make screenshots draws, published under their names.
    for shot in $(grep -o '/screenshots/[^<]*\.png' "$metainfo"); do
      [ -f "$source/docs$shot" ] || fail "the metainfo shows $shot, docs$shot does not exist"
    done
    ;;

  man-pages)
    need man
    for program in "$root"/usr/bin/*; do
      name=$(basename "$program")
      page=$root/usr/share/man/man1/$name.1.gz
      [ -f "$page" ] || fail "$name has no manual page"
      text=$(MANWIDTH=80 LANG=C.UTF-8 man --warnings -l "$page" 2>"$out/man-warnings") ||
        fail "man -l $name.1.gz"
      [ ! -s "$out/man-warnings" ] || fail "man -l $name.1.gz: $(cat "$out/man-warnings")"
      echo "$text" | grep -q '^NAME' || fail "$name.1 renders without a NAME section"
      # Every option the program's own usage names is documented. --help prints the usage of
      # orvex; orvex-cli and orvex-pdf2ps print theirs when given no arguments.
      usage=$(env -i PATH=/usr/bin:/bin HOME="$out" "$program" --help 2>&1 || true)
      [ "$name" = orvex ] || usage=$(env -i PATH=/usr/bin:/bin HOME="$out" "$program" 2>&1 || true)
      for option in $(echo "$usage" | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        echo "$text" | grep -qF -- "$option" || fail "$name.1 does not document $option"
      done
    done
    echo "manual pages render without warnings and document every option"
    ;;

  *)
    fail "unknown check $check"
    ;;
esac
