#!/usr/bin/env bash
# trelka-batch.exe under wine beside the Linux trelka-batch, against nginx on loopback: the
# same documents byte for byte, the same failure messages, and file names in Cyrillic.
#
#   windows_e2e_test.sh TRELKA_BATCH TRELKA_BATCH_EXE
# WINEPREFIX names a prefix made beforehand (scripts/test makes one per run).
set -u
batch=$1
exe=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/nginx/pages.sh"
source "$here/../support/check.sh"
export WINEDEBUG=-all
# Wine turns arguments and file names between UTF-8 and UTF-16 by the locale's character set;
# under the C locale a Cyrillic name would not survive the way there.
export LC_ALL=C.UTF-8
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
work=$(mktemp -d)
cleanup() {
  stop_pages
  rm -rf "$work"
}
trap cleanup EXIT

pages_port=$(free_loopback_port)
service=http://127.0.0.1:$pages_port
python3 "$here/make_site.py" "$work/catalogue" 220
start_pages "$work/catalogue/site"
win() { timeout 300 "$wine" "$exe" "$@"; }

for options in "" "--terrain" "--connections 4" "--terrain --connections 4"; do
  name=${options:-plain}
  name=${name//[- ]/}
  timeout 300 "$batch" $options --service "$service" "$work/catalogue/caches.wpt" \
    "$work/$name.linux.gpx" 2>/dev/null
  win $options --service "$service" "$work/catalogue/caches.wpt" "$work/$name.exe.gpx" \
    2>"$work/$name.err"
  check "trelka-batch.exe converts the catalogue (${options:-no options})" test $? -eq 0
  check "byte for byte the Linux document (${options:-no options})" \
    cmp "$work/$name.linux.gpx" "$work/$name.exe.gpx"
done
check "progress goes into a file as UTF-8" grep -q '^220 из 220$' "$work/plain.err"

refused=http://127.0.0.1:$(free_loopback_port)
win --service "$refused" "$work/catalogue/caches.wpt" "$work/refused.gpx" 2>"$work/refused.err"
check "a refused connection fails the run" test $? -eq 1
check "with Socket Error # 10061" grep -q $'^Socket Error # 10061\r$' "$work/refused.err"
check "and Connection refused." test "$(tail -n 1 "$work/refused.err")" = "Connection refused."
check "and writes nothing" test ! -e "$work/refused.gpx"

# Cyrillic file names: UTF-8 in the arguments here, UTF-16 at the Windows API.
mkdir "$work/Тайники"
grep -av ',TR999999,' "$work/catalogue/with_missing.wpt" >"$work/Тайники/Подмосковье.wpt"
"$batch" --service "$service" "$work/Тайники/Подмосковье.wpt" "$work/small.linux.gpx" 2>/dev/null
win --service "$service" "$work/Тайники/Подмосковье.wpt" "$work/Тайники/Маршрут №1.gpx" 2>/dev/null
check "a waypoint file and a GPX file with Cyrillic names" test $? -eq 0
check "hold the Linux document" cmp "$work/small.linux.gpx" "$work/Тайники/Маршрут №1.gpx"
"$batch" --gpx 1.0 --service "$service" "$work/Тайники/Подмосковье.wpt" "$work/small10.linux.gpx" \
  2>/dev/null
win --gpx 1.0 --service "$service" "$work/Тайники/Подмосковье.wpt" "$work/Тайники/1.0.gpx" \
  2>/dev/null
check "the GPX 1.0 shape, named for the Cyrillic file, as on Linux" \
  cmp "$work/small10.linux.gpx" "$work/Тайники/1.0.gpx"
rm -f "$work/Тайники/1.0.gpx"
win --service "$service" - - <"$work/Тайники/Подмосковье.wpt" >"$work/piped.gpx" 2>/dev/null
check "standard input to standard output, as on Linux" cmp "$work/small.linux.gpx" "$work/piped.gpx"
printf 'earlier' >"$work/Тайники/Маршрут №1.gpx"
win --page-cache "$work/Тайники/Страницы" --service "$service" "$work/Тайники/Подмосковье.wpt" \
  "$work/Тайники/Маршрут №1.gpx" 2>/dev/null
check "replace an earlier document (exits 0)" test $? -eq 0
check "replace an earlier document" cmp "$work/small.linux.gpx" "$work/Тайники/Маршрут №1.gpx"
check "beside which no temporary file stays" \
  test "$(ls -A "$work/Тайники" | sort | tr '\n' '|')" = "Маршрут №1.gpx|Подмосковье.wpt|Страницы|"
check "and keep pages in a Cyrillic folder" test "$(ls "$work/Тайники/Страницы"/*.html | wc -l)" -eq 6

# The file failures, mapped from Windows error codes.
while IFS='|' read -r what wpt gpx message; do
  win --service "$service" "${wpt//TMP/$work}" "${gpx//TMP/$work}" 2>"$work/file.err"
  check "$what" test "$(tail -n 1 "$work/file.err")" = "$message"
done <<'ROWS'
a missing waypoint file|TMP/нет.wpt|TMP/out.gpx|File not found.
a waypoint file in a missing folder|TMP/нет/x.wpt|TMP/out.gpx|Invalid filename.
a GPX file in a missing folder|TMP/Тайники/Подмосковье.wpt|TMP/нет/out.gpx|Invalid filename.
a GPX file that is a folder|TMP/Тайники/Подмосковье.wpt|TMP/Тайники|File access denied.
ROWS

finish_checks
