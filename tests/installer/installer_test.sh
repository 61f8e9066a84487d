#!/usr/bin/env bash
# The Windows installer under wine: a silent install (/S) for the current user puts both
# programs, a Start-menu entry and the .wpt association in place, the installed programs start,
# and the uninstaller takes all of it away again.
#
#   installer_test.sh SETUP_EXE
# WINEPREFIX names a prefix made beforehand (scripts/test makes one per run).
set -u
setup=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/check.sh"
source "$here/../support/x_screen.sh"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
trap stop_x_screen EXIT
start_x_screen

# The installer and the uninstaller it writes end before their work is done only when wine
# starts a 32-bit program it cannot run; waiting for the wine server covers both.
run_and_wait() { timeout 120 "$wine" "$@"; "$server" -w; }
# A value of the current user's registry, or nothing.
registry() { "$wine" reg query "$1" /ve 2>/dev/null | sed -n 's/.*REG_SZ *//p' | tr -d '\r'; }

check "the installer is a 64-bit Windows program" \
  bash -c "file '$setup' | grep -q 'PE32+ executable (GUI) x86-64'"
run_and_wait "$setup" /S
user_folder=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData | grep -v '/Public/' | head -n 1)
installed="$user_folder/Local/Programs/Trelka"
for file in trelka.exe trelka-batch.exe uninstall.exe README.txt; do
  check "installs $file for the current user" test -f "$installed/$file"
done
check "a Start-menu entry" \
  test -f "$user_folder/Roaming/Microsoft/Windows/Start Menu/Programs/Trelka.lnk"
check ".wpt files are Trelka's" test "$(registry 'HKCU\Software\Classes\.wpt')" = Trelka.wpt
check "opened with trelka.exe" bash -c "[[ '$(registry 'HKCU\Software\Classes\Trelka.wpt\shell\open\command')' == *'trelka.exe\" \"%1\"' ]]"

check "the installed trelka-batch.exe starts" \
  bash -c "timeout 60 '$wine' '$installed/trelka-batch.exe' --help | grep -q '^Usage: trelka-batch'"
timeout 60 "$wine" "$installed/trelka.exe" >/dev/null 2>&1 &
window_pid=$!
for _ in $(seq 300); do xdotool search --onlyvisible --name '^Trelka$' >/dev/null 2>&1 && break; sleep 0.1; done
check "the installed trelka.exe opens its window" \
  bash -c "xdotool search --onlyvisible --name '^Trelka\$' >/dev/null"
kill "$window_pid" 2>/dev/null
"$server" -k 2>/dev/null
"$server" -w

run_and_wait "$installed/uninstall.exe" /S
check "the uninstaller removes the programs" test ! -e "$installed"
check "and the Start-menu entry" \
  test ! -e "$user_folder/Roaming/Microsoft/Windows/Start Menu/Programs/Trelka.lnk"
check "and the association" test -z "$(registry 'HKCU\Software\Classes\Trelka.wpt\shell\open\command')"

finish_checks
