#!/usr/bin/env bash
# Builds the Debian package of the build in $1 and checks it as a user's
# machine would take it: lintian finds no error (its warnings are listed), the
# desktop entry and the software-centre metadata validate, and where this runs
# as root: `apt-get install ./kestrelon_*.deb` puts the program on the PATH with
# its manual page, and removing the package leaves none of its files behind.
# Exit 77 (skipped) only where dpkg-deb is missing, or where installing is not
# possible (not root, or a kestrelon package is already installed).
set -euo pipefail
build=$(cd "$1" && pwd)
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is missing: no Debian package can be built here; skipped"; exit 77; }
for tool in cpack dpkg-shlibdeps lintian appstreamcli desktop-file-validate man; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
work=$(mktemp -d)
installed=no
cleanup() {
  if [ "$installed" = yes ]; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 remove --purge -y -qq kestrelon >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$work" && cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; echo "cpack failed" >&2; exit 1; }
deb=$(ls "$work"/kestrelon_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Section Depends
echo "files:"
dpkg-deb --contents "$deb" | awk '{print "  " $6}'

# lintian: errors fail, warnings and the rest are listed.
lintian --tag-display-limit 0 --display-info "$deb" >"$work/lintian.txt" 2>&1 || true
sed 's/^/  lintian: /' "$work/lintian.txt"
if grep -q '^E: ' "$work/lintian.txt"; then
  echo "lintian reports errors" >&2
  exit 1
fi

dpkg-deb --extract "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/kestrelon.desktop"
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/io.github.kestrelon.Kestrelon.metainfo.xml"
for page in kestrelon kestrelon-demo-device; do
  # A page with a roff mistake makes man warn on stderr.
  warnings=$(MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || { echo "man page $page: $warnings" >&2; exit 1; }
done

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the package is built and checked but not installed; skipped"
  exit 77
fi
if dpkg-query -W -f='${Status}' kestrelon 2>/dev/null | grep -q 'install ok installed'; then
  echo "a kestrelon package is already installed on this machine; not replaced; skipped"
  exit 77
fi
files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; echo "apt-get install failed" >&2; exit 1; }
[ "$(command -v kestrelon)" = /usr/bin/kestrelon ] || { echo "kestrelon is not on the PATH from /usr/bin" >&2; exit 1; }
version=$(dpkg-deb --field "$deb" Version)
[ "$(kestrelon --version)" = "kestrelon $version" ] || { echo "kestrelon --version says: $(kestrelon --version)" >&2; exit 1; }
[ "$(man -w kestrelon)" = /usr/share/man/man1/kestrelon.1.gz ] || { echo "man -w kestrelon: $(man -w kestrelon 2>&1)" >&2; exit 1; }
desktop-file-validate /usr/share/applications/kestrelon.desktop

DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 remove --purge -y -qq kestrelon >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; echo "apt-get remove failed" >&2; exit 1; }
installed=no
left=""
for file in $files; do
  [ -e "$file" ] || [ -L "$file" ] && left="$left $file"
done
[ -z "$left" ] || { echo "left after removal:$left" >&2; exit 1; }
echo "installed, checked and removed $(basename "$deb"): fine"
