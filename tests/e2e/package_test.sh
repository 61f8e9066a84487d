#!/usr/bin/env bash
# The Debian package: made by cpack from a build folder, it holds both programs, the desktop
# entry, the icon and the waypoint file type, declares its runtime dependencies, and installs into a scratch root
# where trelka-batch runs.
#
#   package_test.sh BUILD_FOLDER
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../support/check.sh"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1)
check "cpack makes the package" test $? -eq 0
deb=$(ls "$work"/out/trelka_*_amd64.deb 2>/dev/null | head -n 1)
check "named trelka_<version>_amd64.deb" test -n "$deb"
[ -n "$deb" ] || { finish_checks; exit 1; }

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for file in ./usr/bin/trelka ./usr/bin/trelka-batch ./usr/share/applications/trelka.desktop \
  ./usr/share/icons/hicolor/48x48/apps/trelka.png ./usr/share/mime/packages/trelka.xml; do
  check "it holds $file" grep -qx "$file" "$work/contents"
done
check "its long description wraps (no line starts with two blanks)" \
  bash -c "! dpkg-deb -f '$deb' Description | grep -q '^  '"
depends=$(dpkg-deb -f "$deb" Depends)
# No ICU: the code page is a table of its own.
for library in libqt6widgets6 libqt6gui6 libqt6core6; do
  check "it depends on $library" grep -q "$library" <<<"$depends"
done
check "it recommends Qt's Russian texts" \
  grep -q qt6-translations-l10n <<<"$(dpkg-deb -f "$deb" Recommends)"

# dpkg installs into a root of its own; the dependencies are this machine's.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1
check "dpkg installs it into a scratch root" test $? -eq 0
check "dpkg lists it as installed" \
  bash -c "dpkg --root='$root' -s trelka 2>/dev/null | grep -q '^Status: install ok installed'"
"$root/usr/bin/trelka-batch" -h >"$work/help"
check "the installed trelka-batch runs" grep -q '^Usage: trelka-batch' "$work/help"
check "the installed desktop entry passes the chosen file" \
  grep -qx 'Exec=trelka %f' "$root/usr/share/applications/trelka.desktop"

finish_checks
