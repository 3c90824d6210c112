# The .deb, made by CPack: its control fields, Depends and postinst.
# The postinst replays the events of the devices already plugged in (see debian/postinst.in).
configure_file(debian/postinst.in debian/postinst @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
  WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex)
set(CPACK_PACKAGE_VERSION ${ORVEX_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvex developers")
set(CPACK_PACKAGE_CONTACT ${ORVEX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_HOMEPAGE_URL ${ORVEX_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print-and-cut station for USB cutting plotters")
set(CPACK_PACKAGE_DESCRIPTION [=[
Orvex is the operator's station beside a USB cutting plotter that cuts printed
sheets of labels along their printed contours. It imports a graphic (EPS,
Illustrator AI or PDF) and turns it into cut paths; then, sheet after sheet, it
has a USB sheet feeder bring a sheet, finds the sheet's two black registration
marks with the camera on the cutter head, corrects the job for the sheet's
scale and skew, and streams the cut to the cutter.

The package holds the window (orvex), the headless tools for preflight checks,
simulated runs and mark searches (orvex-cli), and the PDF converter of the job
importer (orvex-pdf2ps). A simulated cutter, feeder and camera let a job be
rehearsed without the machine.]=])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVEX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ORVEX_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the programs link, found by dpkg-shlibdeps. Besides them: the window's icons
# are SVGs, drawn by Qt's SVG plugins (loaded, not linked), and pdftops is the PDF converter
# the import falls back on when ours cannot be run.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, poppler-utils")
# Ghostscript redraws the EPS files the path parser cannot read true to size; every other job
# imports without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ghostscript")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
