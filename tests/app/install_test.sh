#!/usr/bin/env bash
# cmake --install puts the program, its desktop entry, its icon and the waypoint file type
# where a desktop finds them.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
source "$(dirname "$0")/../support/check.sh"

cmake --install "$build" --prefix "$prefix" >/dev/null
check "the program is installed" test -x "$prefix/bin/trelka"
entry="$prefix/share/applications/trelka.desktop"
check "the desktop entry is installed" test -f "$entry"
check "it starts the program with the chosen file" grep -qx 'Exec=trelka %f' "$entry"
check "it names the icon" grep -qx 'Icon=trelka' "$entry"
icon="$prefix/share/icons/hicolor/48x48/apps/trelka.png"
check "the icon sits in a hicolor size folder" test -f "$icon"
check "the icon is a 48x48 PNG" bash -c "file '$icon' | grep -q 'PNG image data, 48 x 48'"
types="$prefix/share/mime/packages/trelka.xml"
check "the waypoint file type is installed" test -f "$types"
type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$types")
check "the desktop entry names that type" grep -qx "MimeType=$type;" "$entry"
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" 2>/dev/null
  check "the MIME database takes *.wpt as that type" grep -q "^50:$type:\*\.wpt$" \
    "$prefix/share/mime/globs2"
  check "and a file by its waypoint header" grep -aqx "\[60:$type\]" "$prefix/share/mime/magic"
fi
if command -v desktop-file-validate >/dev/null; then
  check "the desktop entry is valid" desktop-file-validate "$entry"
fi
finish_checks
