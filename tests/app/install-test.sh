#!/usr/bin/env bash
# Installs the build in $1 into a temporary prefix, checks what the desktop
# needs (a valid desktop entry, a valid file type for *.kst, the icons, the
# program the entry starts), then removes every file the install manifest lists
# and checks that nothing is left.
set -euo pipefail
build=$1
for tool in desktop-file-validate xmllint; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
prefix=$(mktemp -d)
manifest="$build/install_manifest.txt"
# The install writes its manifest into the build; keep a real install's one.
[ -f "$manifest" ] && mv "$manifest" "$manifest.kept"
restore() { rm -rf "$prefix"; rm -f "$manifest"; [ -f "$manifest.kept" ] && mv "$manifest.kept" "$manifest"; true; }
trap restore EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/kestrelon bin/kestrelon-demo-device share/applications/kestrelon.desktop \
            share/icons/hicolor/scalable/apps/kestrelon.svg share/icons/hicolor/48x48/apps/kestrelon.png \
            share/mime/packages/kestrelon.xml; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
desktop-file-validate "$prefix/share/applications/kestrelon.desktop"
xmllint --noout "$prefix/share/mime/packages/kestrelon.xml" "$prefix/share/icons/hicolor/scalable/apps/kestrelon.svg"
# The entry opens .kst files by the type the MIME file declares for them.
type=$(xmllint --xpath 'string(//*[local-name()="glob"][@pattern="*.kst"]/../@type)' \
       "$prefix/share/mime/packages/kestrelon.xml")
[ -n "$type" ] || { echo "no type for *.kst" >&2; exit 1; }
grep -qx "MimeType=$type;" "$prefix/share/applications/kestrelon.desktop" ||
  { echo "the desktop entry does not open $type" >&2; exit 1; }
file "$prefix/share/icons/hicolor/48x48/apps/kestrelon.png" | grep -q '48 x 48' ||
  { echo "the PNG icon is not 48 x 48 pixels" >&2; exit 1; }
"$prefix/bin/kestrelon" --version | grep -q '^kestrelon ' || { echo "the installed program does not run" >&2; exit 1; }

xargs rm < "$manifest"
left=$(find "$prefix" -type f -o -type l)
[ -z "$left" ] || { echo "left after uninstall: $left" >&2; exit 1; }
echo "install and uninstall under $prefix: fine"
