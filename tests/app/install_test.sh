#!/usr/bin/env bash
# cmake --install puts the program, its desktop entry and its icon where a desktop finds them.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
source "$(dirname "$0")/../support/check.sh"

cmake --install "$build" --prefix "$prefix" >/dev/null
check "the program is installed" test -x "$prefix/bin/trelka"
entry="$prefix/share/applications/trelka.desktop"
check "the desktop entry is installed" test -f "$entry"
check "it starts the program" grep -qx 'Exec=trelka' "$entry"
check "it names the icon" grep -qx 'Icon=trelka' "$entry"
icon="$prefix/share/icons/hicolor/48x48/apps/trelka.png"
check "the icon sits in a hicolor size folder" test -f "$icon"
check "the icon is a 48x48 PNG" bash -c "file '$icon' | grep -q 'PNG image data, 48 x 48'"
if command -v desktop-file-validate >/dev/null; then
  check "the desktop entry is valid" desktop-file-validate "$entry"
fi
finish_checks
