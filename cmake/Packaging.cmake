# `make package`: a Debian package of the release build, made by CPack's DEB
# generator. Everything lands under /usr; the dependencies are worked out from
# the binaries by dpkg-shlibdeps, and the desktop's caches are left to the
# triggers that Debian's own packages run when files appear in their folders.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrelon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Kestrelon developers <kestrelon@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "terminal for developers of serial and networked devices")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/kestrelon/kestrelon")
# The transfers of the demo device and of users' scripts are tried against
# these; the program runs without them.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lrzsz, socat")
# The long description under the summary line; a lone "." parts paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kestrelon keeps one data connection open at a time: a serial port, a TCP
client, a TCP server serving one peer at a time, or a UDP endpoint, over IPv4
or IPv6. It shows everything received, and the local echo of everything sent,
in a line-oriented view, a hex dump and a terminal screen.
.
Around the plain terminal it logs traffic, sends function keys that can also
move DTR, RTS and break, answers trigger texts automatically, transfers files
with XModem, XModem 1K, YModem or as a plain stream (also from the command
line), joins the line to a second TCP connection and decodes NMEA sentences of
GPS receivers. A demo device on a pseudo-terminal lets it be tried without
hardware.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
