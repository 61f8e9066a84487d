#!/usr/bin/env bash
# trelka-batch as a script would use it: exit codes, output bytes, failure behaviour.
set -u
batch=$1
work=$(mktemp -d)
server_pid=
trap 'rm -rf "$work"; [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null' EXIT
source "$(dirname "$0")/../support/check.sh"

printf 'OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n' >"$work/head.wpt"
cp "$work/head.wpt" "$work/two.wpt"
printf '1,TR101,55.5,37.5,x\r\n2,TR102,56.5,38.5,x\r\n' >>"$work/two.wpt"

# A page service on loopback that answers every cache with the same page.
mkdir "$work/site"
printf '<p><b>Cache</b>' >"$work/site/cache.php"
timeout 120 python3 -u -m http.server --bind 127.0.0.1 --directory "$work/site" 0 \
  >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/server.log")
  [ -n "$port" ] && break
  sleep 0.1
done
service=http://127.0.0.1:$port

"$batch" --service http://127.0.0.1:9 "$work/head.wpt" "$work/empty.gpx" 2>"$work/err"
check "a header-only file converts" test $? -eq 0
check "it ends with </gpx> and two line breaks" \
  bash -c "tail -c 10 '$work/empty.gpx' | od -An -tx1 | tr -d ' \n' | grep -qx '3c2f6770783e0d0a0d0a'"
check "it holds two lines" test "$(wc -l <"$work/empty.gpx")" -eq 3

"$batch" -h >"$work/help"
check "-h exits 0 and prints usage" grep -q '^Usage: trelka-batch' "$work/help"

"$batch" only-one-file 2>/dev/null
check "a usage error exits 2" test $? -eq 2
"$batch" --bogus a b 2>/dev/null
check "an unknown option exits 2" test $? -eq 2

printf 'keep me' >"$work/kept.gpx"
"$batch" "$work/absent.wpt" "$work/kept.gpx" 2>"$work/err"
check "a missing waypoint file exits 1" test $? -eq 1
check "its message has the full stop" grep -qx 'File not found.' "$work/err"
check "the earlier output is untouched" test "$(cat "$work/kept.gpx")" = "keep me"

"$batch" --terrain --service "$service" "$work/two.wpt" "$work/two.gpx" 2>"$work/progress"
check "two waypoints convert" test $? -eq 0
check "progress has one line per waypoint off a terminal" \
  test "$(cat "$work/progress")" = "$(printf '1 из 2\n2 из 2')"
check "two elements" test "$(grep -c '<wpt ' "$work/two.gpx")" -eq 2
check "the folder holds no temporary files" test "$(ls -A "$work" | grep -c '^\.')" -eq 0
check "both pages were asked for" test "$(grep -c 'GET /cache.php?cid=10[12] HTTP' "$work/server.log")" -eq 2

cp "$work/two.gpx" "$work/before.gpx"
kill "$server_pid"
wait "$server_pid" 2>/dev/null
server_pid=
"$batch" --service "$service" "$work/two.wpt" "$work/two.gpx" 2>"$work/err"
check "a refused connection exits 1" test $? -eq 1
check "with the socket error's message" \
  test "$(tail -n 2 "$work/err")" = "$(printf 'Socket Error # 10061\r\nConnection refused.')"
check "and leaves the output as it was" cmp -s "$work/two.gpx" "$work/before.gpx"

if command -v xmllint >/dev/null; then
  check "the document is well-formed" xmllint --noout "$work/two.gpx"
fi

finish_checks
