#!/usr/bin/env bash
# trelka-batch as a script would use it: exit codes, output bytes, failure behaviour.
set -u
batch=$1
work=$(mktemp -d)
server_pid=
trap 'rm -rf "$work"; kill $server_pid $hostile_pids 2>/dev/null' EXIT
here=$(dirname "$0")
source "$here/../support/check.sh"
source "$here/../support/hostile.sh"

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
check "-h names the default page service" grep -q 'without it, http://' "$work/help"
check "-h says which readers want which shape" \
  bash -c "grep -q '1.1 for GPSBabel and' '$work/help' && grep -q 'shape, for c:geo' '$work/help'"

# An address the page service cannot have (the rules are ServiceAddressProblem's, tested with
# it), a number out of range and an option that needs another are usage errors that say so.
while IFS='|' read -r option problem; do
  "$batch" $option "$work/head.wpt" "$work/x.gpx" 2>"$work/err"
  check "$option exits 2" test $? -eq 2
  check "saying $problem" grep -qF -- "$problem" "$work/err"
done <<'ROWS'
--service=http://h:99999|the port must be a number from 1 to 65535
--connections=9|--connections must be a number from 1 to 8
--retries=11|--retries must be a number from 0 to 10
--page-cache=|--page-cache needs a folder
--refresh|--refresh needs --page-cache
--gpx=2.0|--gpx must be 1.0 or 1.1, not "2.0"
--page-cache --refresh|--page-cache needs a value, not the option --refresh
ROWS
"$batch" --service "$(printf 'http://h\r\nX: y')" "$work/head.wpt" "$work/x.gpx" 2>"$work/err"
check "an address with CR LF exits 2" test $? -eq 2
check "shown with its control characters as ?" grep -qF 'http://h??X: y' "$work/err"

printf 'keep me' >"$work/kept.gpx"
"$batch" "$work/absent.wpt" "$work/kept.gpx" 2>"$work/err"
check "a missing waypoint file exits 1" test $? -eq 1
check "its message has the full stop" grep -qx 'File not found.' "$work/err"
check "the earlier output is untouched" test "$(cat "$work/kept.gpx")" = "keep me"

"$batch" --service http://127.0.0.1:9 /dev/zero "$work/kept.gpx" 2>"$work/err"
check "endless input exits 1" test $? -eq 1
check "with the size message" grep -qx 'Waypoint file exceeds 256 MiB.' "$work/err"
check "and leaves the earlier output" test "$(cat "$work/kept.gpx")" = "keep me"

"$batch" --terrain --service "$service" "$work/two.wpt" "$work/two.gpx" 2>"$work/progress"
check "two waypoints convert" test $? -eq 0
check "progress has one line per waypoint off a terminal" \
  test "$(cat "$work/progress")" = "$(printf '1 из 2\n2 из 2')"
check "two elements" test "$(grep -c '<wpt ' "$work/two.gpx")" -eq 2
check "the folder holds no temporary files" test "$(ls -A "$work" | grep -c '^\.')" -eq 0
check "both pages were asked for" test "$(grep -c 'GET /cache.php?cid=10[12] HTTP' "$work/server.log")" -eq 2

# The shapes: 1.1 is the default; 1.0 is named for the waypoint file, or not at all for
# standard input, and bounded by the waypoints.
"$batch" --terrain --gpx 1.1 --service "$service" "$work/two.wpt" "$work/two11.gpx" 2>/dev/null
check "--gpx 1.1 writes the default document" cmp -s "$work/two11.gpx" "$work/two.gpx"
"$batch" --terrain --gpx=1.0 --service "$service" "$work/two.wpt" "$work/two10.gpx" 2>/dev/null
check "--gpx 1.0 writes a GPX 1.0 root" \
  grep -q '<gpx xmlns="http://www.topografix.com/GPX/1/0" version="1.0"' "$work/two10.gpx"
check "named for the waypoint file, bounded by its waypoints" grep -qF \
  '<name>two</name><bounds minlat="55.5" minlon="37.5" maxlat="56.5" maxlon="38.5"/>' "$work/two10.gpx"
check "with the code as each waypoint's name" test "$(grep -c '<name>TR10[12]</name>' "$work/two10.gpx")" -eq 2
cat "$work/two.wpt" | timeout 30 "$batch" --terrain --gpx 1.0 --service "$service" - "$work/piped10.gpx" 2>/dev/null
check "standard input gives no document name" \
  bash -c "head -n 1 '$work/piped10.gpx' | grep -q '<bounds ' && ! head -n 1 '$work/piped10.gpx' | grep -q '<name>'"
# Closed standard descriptors and a progress reader that is gone change nothing in the
# document; a GPX_FILE of - is standard output. closed_pipe FD COMMAND... runs COMMAND with
# descriptor FD on a pipe whose reader is gone, as "| head -c 1" leaves it once head is done.
closed_pipe() {
  python3 -c 'import os, subprocess, sys
r, w = os.pipe(); os.close(r)
sys.exit(subprocess.call(sys.argv[2:], **{sys.argv[1]: w}))' "$@"
}
convert_two() { "$batch" --terrain --service "$service" "$work/two.wpt" "$@"; }
while IFS='|' read -r what command status; do
  rm -f "$work/same.gpx"
  eval "$command"
  check "$what: exits $status" test $? -eq "$status"
  check "$what: the document of a normal run" cmp -s "$work/same.gpx" "$work/two.gpx"
  check "$what: no temporary file" test "$(ls -A "$work" | grep -c '^\.')" -eq 0
done <<'ROWS'
stdout and stderr closed|convert_two "$work/same.gpx" >&- 2>&-|0
stdin and stderr closed|convert_two "$work/same.gpx" <&- 2>&-|0
all three closed|convert_two "$work/same.gpx" <&- >&- 2>&-|0
progress into a closed pipe|closed_pipe stderr "$batch" --terrain --service "$service" "$work/two.wpt" "$work/same.gpx"|0
GPX_FILE - is standard output|convert_two - >"$work/same.gpx" 2>/dev/null|0
ROWS
closed_pipe stdout "$batch" --terrain --service "$service" "$work/two.wpt" - 2>"$work/err"
check "the document into a closed pipe fails the run" test $? -eq 1
check "saying so" test "$(tail -n 1 "$work/err")" = "I/O error 32."
"$batch" --service "$service" - "$work/x.gpx" <&- 2>"$work/err"
check "- without standard input fails" test $? -eq 1
check "saying so in words" \
  test "$(cat "$work/err")" = "There is no standard input to read the waypoint file from."

# On a terminal the progress line also shows the rate and the time left.
script -qec "'$batch' --terrain --service '$service' '$work/two.wpt' '$work/tty.gpx'" /dev/null \
  >"$work/tty" 2>&1
check "on a terminal the progress shows the rate and the time left" \
  grep -qE '2 из 2 · [0-9.]+/(s|min) · [0-9:]+ left' "$work/tty"
check "and the document is the same" cmp -s "$work/tty.gpx" "$work/two.gpx"

printf 'not a folder' >"$work/plain-file"
"$batch" --page-cache "$work/plain-file" --service "$service" "$work/two.wpt" "$work/kept.gpx" \
  2>"$work/err"
check "a page cache that is not a folder exits 1" test $? -eq 1
check "saying so" test "$(cat "$work/err")" = "Invalid filename."

# The waypoint file is read once, so a pipe or a FIFO converts like a file.
cat "$work/two.wpt" | timeout 30 "$batch" --terrain --service "$service" - "$work/piped.gpx" 2>/dev/null
check "standard input as - converts like the file" cmp -s "$work/piped.gpx" "$work/two.gpx"
mkfifo "$work/fifo"
timeout 30 cp "$work/two.wpt" "$work/fifo" &
timeout 30 "$batch" --terrain --service "$service" "$work/fifo" "$work/fifo.gpx" 2>/dev/null
check "a FIFO converts like the file" cmp -s "$work/fifo.gpx" "$work/two.gpx"

cp "$work/two.gpx" "$work/before.gpx"
kill "$server_pid"
wait "$server_pid" 2>/dev/null
server_pid=
"$batch" --service "$service" "$work/two.wpt" "$work/two.gpx" 2>"$work/err"
check "a refused connection exits 1" test $? -eq 1
check "with the socket error's message" \
  test "$(tail -n 2 "$work/err")" = "$(printf 'Socket Error # 10061\r\nConnection refused.')"
check "and leaves the output as it was" cmp -s "$work/two.gpx" "$work/before.gpx"

# Hostile page services (tests/support/hostile.sh).
requests() { grep -c '^request' "$1"; }

start_hostile "$work/status.log" status 'HTTP/1.0 404 \x1b]0;owned\x07 Not\x98\tFo\rund'
"$batch" --service "$hostile" "$work/two.wpt" "$work/missing/out.gpx" 2>"$work/err"
check "a GPX_FILE in a missing folder exits 1" test $? -eq 1
check "with the file message" test "$(cat "$work/err")" = "Invalid filename."
check "before any page is asked for" test "$(requests "$work/status.log")" -eq 0
"$batch" --service "$hostile" "$work/two.wpt" "$work/two.gpx" 2>"$work/err"
check "a status text with control characters fails the run" test $? -eq 1
check "and is printed with each of them as ?" \
  test "$(tail -n 1 "$work/err")" = "$(printf '404 ?]0;owned? Not?\tFo?und.')"

# Signals while the run waits for a page that never comes: the program ends by the signal,
# the earlier file stays whole and no temporary file stays beside it.
start_hostile "$work/stall.log" stall
mkdir "$work/out"
# signal_mid_run "SIGNALS" COMMAND...: runs COMMAND with trelka-batch's arguments, sends the
# signals once its first request has arrived, and returns how it ended. set -m, since a
# background job of a script would ignore SIGINT; a watchdog bounds the wait.
signal_mid_run() {
  local signals=$1 pid before watchdog status sig
  shift
  before=$(requests "$work/stall.log")
  printf 'earlier' >"$work/out/kept.gpx"
  set -m
  "$@" --service "$hostile" "$work/two.wpt" "$work/out/kept.gpx" 2>/dev/null &
  pid=$!
  set +m
  for _ in $(seq 100); do
    [ "$(requests "$work/stall.log")" -gt "$before" ] && break
    sleep 0.1
  done
  (sleep 20 && kill -KILL "$pid") >/dev/null 2>&1 &
  watchdog=$!
  for sig in $signals; do
    kill -s "$sig" "$pid"
    sleep 0.2
  done
  wait "$pid"
  status=$?
  kill "$watchdog" 2>/dev/null
  return "$status"
}
ended_whole() { test "$(ls -A "$work/out")" = kept.gpx && test "$(cat "$work/out/kept.gpx")" = earlier; }
for signal in TERM INT HUP; do
  signal_mid_run "$signal" "$batch" 2>/dev/null # nor the shell's report of a Hangup
  check "SIG$signal during a run ends the program by that signal" \
    test $? -eq $((128 + $(kill -l "$signal")))
  check "and leaves the earlier file whole and no temporary file" ended_whole
done
signal_mid_run "HUP TERM" bash -c 'trap "" HUP; exec "$0" "$@"' "$batch"
check "a SIGHUP ignored from the start (nohup) stays ignored" test $? -eq 143

if command -v xmllint >/dev/null; then
  check "the document is well-formed" xmllint --noout "$work/two.gpx"
  check "in GPX 1.0 too" xmllint --noout "$work/two10.gpx"
fi

finish_checks
