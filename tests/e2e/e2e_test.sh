#!/usr/bin/env bash
# End to end with real peers: nginx serves generated catalogue pages on loopback,
# trelka-batch converts, xmllint and GPSBabel read the result. Also the options for long runs
# against nginx and a page service that drops connections, the run's behaviour when the page
# service dies mid-run, when the disk is full, and over 10,000 waypoints.
#
#   e2e_test.sh TRELKA_BATCH
set -u
batch=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/nginx/pages.sh"
source "$here/../support/check.sh"
source "$here/../support/hostile.sh"
work=$(mktemp -d)
cleanup() {
  stop_pages
  stop_hostile
  mountpoint -q "$work/small" 2>/dev/null && umount "$work/small"
  rm -rf "$work"
}
trap cleanup EXIT

pages_port=$(free_loopback_port)
service=http://127.0.0.1:$pages_port

python3 "$here/make_site.py" "$work/catalogue" 220
start_pages "$work/catalogue/site"

# Both shapes, with and without the surroundings; GPSBabel reads each as a table and as its
# own GPX, and the GPX 1.0 document is checked against the published GPX 1.0 schema.
for mode in plain terrain; do
  for shape in 1.1 1.0; do
    flag=
    [ "$mode" = terrain ] && flag=--terrain
    name=$mode
    [ "$shape" = 1.0 ] && name=$mode-1.0
    out="$work/$name.gpx"
    timeout 300 "$batch" $flag --gpx "$shape" --service "$service" "$work/catalogue/caches.wpt" "$out" \
      2>"$work/$name.err"
    check "trelka-batch converts the catalogue ($name)" test $? -eq 0
    check "xmllint finds the document well-formed ($name)" xmllint --noout "$out"
    check "GPSBabel reads it ($name)" \
      gpsbabel -i gpx -f "$out" -o unicsv -F "$work/$name.csv" -o gpx -F "$work/$name.babel.gpx"
    check "every cache as GPSBabel sees it ($name)" python3 "$here/check_gpx.py" \
      "$work/catalogue/expected.json" "$work/$name.csv" "$out" "$mode" "$shape" "$work/$name.babel.gpx"
  done
  check "the GPX 1.0 document in the schema's order, valid where the schema is at hand ($mode)" \
    python3 "$here/check_gpx10_schema.py" "$here/../data/schemas/gpx10.xsd" "$work/$mode-1.0.gpx"
done
cp "$work/terrain.gpx" "$work/batch-terrain.gpx" 2>/dev/null

# Long runs: --keep-going, --retries, --page-cache, --refresh and --delay, over six caches
# (small.wpt) and the same six with a missing one among them (with_missing.wpt). A row's
# server is nginx, "stopped" (nothing listens), or "drop K HOW": a server that fails the
# first K tries of each id by HOW (hostile_server.py pages) and logs each request. The last
# two are one page service, on one port, so that the page cache serves them alike.
grep -av ',TR999999,' "$work/catalogue/with_missing.wpt" >"$work/catalogue/small.wpt"
"$batch" --service "$service" "$work/catalogue/small.wpt" "$work/small.gpx" 2>/dev/null
check "six caches convert" test "$(grep -c '<wpt ' "$work/small.gpx")" -eq 6
row_port=$(free_loopback_port)
# start_dropping K HOW: sets $row_service to its address; its log is $work/row.log.
start_dropping() {
  HOSTILE_PORT=$row_port start_hostile "$work/row.log" pages "$work/catalogue/site" "$1" "$2"
  row_service=$hostile
}
asked() { grep -c "^request ${1:-}" "$work/row.log"; }
store="$work/store"
# What each row checks beyond its exit status and document ("-": nothing).
one_report_naming_the_id_and_a_summary() {
  test "$(grep -c 'skipped:' "$work/row.err")" -eq 1 &&
    grep -qx 'cache 999999 skipped: 404 Not Found\.' "$work/row.err" &&
    test "$(tail -n 1 "$work/row.err")" = "1 of 7 caches skipped."
}
a_summary_of_none_skipped() { test "$(tail -n 1 "$work/row.err")" = "0 of 6 caches skipped."; }
three_tries_for_each_id() { test "$(asked)" -eq 18 && test "$(asked 1004)" -eq 3; }
the_last_failure_after_two_tries() {
  test "$(tail -n 1 "$work/row.err")" = "Connection Closed Gracefully." && test "$(asked 1001)" -eq 2
}
the_missing_id_asked_for_once() { test "$(asked 999999)" -eq 1 && test "$(asked)" -eq 7; }
each_reset_reported_on_one_line() {
  test "$(grep -c 'skipped: Socket Error # 10054 Connection reset by peer\.$' "$work/row.err")" -eq 6
}
six_pages_and_the_service_stored_and_nothing_else() {
  test "$(ls -A "$store" | grep -c '\.html$')" -eq 6 && test "$(ls -A "$store" | wc -l)" -eq 7 &&
    cmp -s "$store/1004.html" "$work/catalogue/site/1004.html" &&
    test "$(cat "$store/page-service.txt")" = "http://127.0.0.1:$row_port"
}
only_the_missing_id_asked_for() { test "$(asked)" -eq 1 && test "$(asked 999999)" -eq 1; }
spoil_a_stored_page() { printf 'spoilt' >"$store/1002.html"; }
every_page_asked_for_and_the_spoilt_one_replaced() {
  test "$(asked)" -eq 6 && cmp -s "$store/1002.html" "$work/catalogue/site/1002.html"
}
plant_a_fifo_and_a_link() {
  rm -f "$store/1002.html" "$store/1003.html"
  mkfifo "$store/1002.html"
  printf 'outside' >"$work/outside.html"
  ln -s "$work/outside.html" "$store/1003.html"
}
stored_as_files() {
  cmp -s "$store/1002.html" "$work/catalogue/site/1002.html" && ! test -L "$store/1003.html" &&
    cmp -s "$store/1003.html" "$work/catalogue/site/1003.html" &&
    test "$(cat "$work/outside.html")" = outside
}
both_asked_for_and_stored_as_files() { test "$(asked)" -eq 2 && stored_as_files; }
every_page_asked_for_and_the_links_target_kept() { test "$(asked)" -eq 6 && stored_as_files; }
refused_naming_both_services() {
  grep -qxF "trelka-batch: --page-cache $store: The page cache holds pages of http://127.0.0.1:$row_port, not of $service" "$work/row.err"
}
five_pauses_of_400_ms() { test "$took_ms" -ge 2000 && test "$took_ms" -lt 6000; }
while IFS='|' read -r what server options wpt status expected before after; do
  case $server in
    nginx) row_service=$service ;;
    stopped) row_service=http://127.0.0.1:$row_port ;;
    drop*) start_dropping ${server#drop } ;;
  esac
  [ "$before" = - ] || "$before"
  started=$(date +%s%N)
  timeout 120 "$batch" ${options//STORE/$store} --service "$row_service" \
    "$work/catalogue/$wpt.wpt" "$work/row.gpx" 2>"$work/row.err"
  check "$what: exits $status" test $? -eq "$status"
  took_ms=$((($(date +%s%N) - started) / 1000000))
  stop_hostile
  [ "$expected" = - ] ||
    check "$what: the document of a clean run" cmp -s "$work/row.gpx" "$work/$expected.gpx"
  [ "$after" = - ] || check "$what: ${after//_/ }" "$after"
done <<'ROWS'
keep-going skips the missing cache|nginx|--keep-going|with_missing|3|small|-|one_report_naming_the_id_and_a_summary
keep-going with nothing to skip|nginx|--keep-going|small|0|small|-|a_summary_of_none_skipped
retries outlast closed connections|drop 2 close|--retries 2 --connections 6|small|0|small|-|three_tries_for_each_id
too few retries fail the run|drop 2 close|--retries 1|small|1|-|-|the_last_failure_after_two_tries
a 404 is not retried|drop 0 close|--retries 3 --keep-going|with_missing|3|small|-|the_missing_id_asked_for_once
keep-going without retries skips every reset|drop 1 reset|--keep-going --connections 3|small|3|-|-|each_reset_reported_on_one_line
a page cache keeps what arrived|drop 0 close|--keep-going --page-cache STORE|with_missing|3|small|-|six_pages_and_the_service_stored_and_nothing_else
then needs no request at all|stopped|--page-cache STORE --connections 4|small|0|small|-|-
and a rerun asks only for the missing|drop 0 close|--keep-going --page-cache=STORE|with_missing|3|small|-|only_the_missing_id_asked_for
refresh fetches again and updates it|drop 0 close|--page-cache STORE --refresh|small|0|small|spoil_a_stored_page|every_page_asked_for_and_the_spoilt_one_replaced
a FIFO or a link in the cache is not read|drop 0 close|--page-cache STORE|small|0|small|plant_a_fifo_and_a_link|both_asked_for_and_stored_as_files
refresh replaces a link, not what it points to|drop 0 close|--page-cache STORE --refresh|small|0|small|plant_a_fifo_and_a_link|every_page_asked_for_and_the_links_target_kept
another service's cache is refused|nginx|--page-cache STORE|small|2|-|-|refused_naming_both_services
delay paces the requests|drop 0 close|--delay 400|small|0|small|-|five_pauses_of_400_ms
ROWS

# A page that is missing stops the run with the status text and writes nothing.
printf 'earlier' >"$work/kept.gpx"
"$batch" --service "$service" "$work/catalogue/with_missing.wpt" "$work/kept.gpx" 2>"$work/missing.err"
check "a missing page fails the run" test $? -eq 1
check "with the status text and its full stop" test "$(tail -n 1 "$work/missing.err")" = "404 Not Found."
check "and leaves the earlier file" test "$(cat "$work/kept.gpx")" = "earlier"

# The page service dies after 20 pages: the socket error stops the run, nothing is written,
# and the next run after a restart succeeds. The run is slowed (and its progress shown within
# 50 ms), so that the service surely dies while it goes on.
"$batch" --delay 20 --service "$service" "$work/catalogue/caches.wpt" "$work/kept.gpx" \
  2>"$work/killed.err" &
batch_pid=$!
for _ in $(seq 600); do
  grep -q '^20 из' "$work/killed.err" 2>/dev/null && break
  sleep 0.01
done
stop_pages
wait "$batch_pid"
check "the run fails when the page service stops" test $? -eq 1
# Usually the next connection is refused; a request caught in flight is cut instead.
check "with the socket error's message" \
  grep -qE '^(Socket Error # 1006[01]|Socket Error # 10054|Connection Closed Gracefully\.)' "$work/killed.err"
check "and nothing is written" test "$(cat "$work/kept.gpx")" = "earlier"
start_pages "$work/catalogue/site"
"$batch" --service "$service" "$work/catalogue/caches.wpt" "$work/kept.gpx" 2>/dev/null
check "the next run after a restart succeeds" cmp -s "$work/kept.gpx" "$work/plain.gpx"

# A full disk at save time.
"$batch" --service "$service" "$work/catalogue/caches.wpt" /dev/full 2>"$work/full.err"
check "writing to /dev/full fails with I/O error 28" test "$(tail -n 1 "$work/full.err")" = "I/O error 28."
if [ "$(id -u)" -eq 0 ] && mkdir -p "$work/small" && mount -t tmpfs -o size=256k tmpfs "$work/small"; then
  printf 'earlier' >"$work/small/out.gpx"
  "$batch" --service "$service" "$work/catalogue/caches.wpt" "$work/small/out.gpx" 2>"$work/small.err"
  check "a full file system fails with I/O error 28" test "$(tail -n 1 "$work/small.err")" = "I/O error 28."
  check "and keeps the earlier file whole" test "$(cat "$work/small/out.gpx")" = "earlier"
  check "and leaves no temporary file" test "$(ls -A "$work/small")" = "out.gpx"
  mkdir "$work/small/store"
  mount -o remount,ro "$work/small"
  start_hostile "$work/ro.log" pages "$work/catalogue/site" 0 close
  "$batch" --page-cache "$work/small/store" --service "$hostile" "$work/catalogue/small.wpt" \
    "$work/ro.gpx" 2>"$work/ro.err"
  check "a page cache that cannot be written fails" test "$(cat "$work/ro.err")" = "File access denied."
  check "before any page is asked for" test "$(grep -c '^request' "$work/ro.log")" -eq 0
  stop_hostile
  umount "$work/small"
else
  echo "skipped: a small file system needs root to mount"
fi

# 10,000 waypoints in one run, over the catalogue's pages again and again.
python3 - "$work/catalogue/caches.wpt" "$work/many.wpt" <<'PY'
import sys
lines = open(sys.argv[1], "rb").read().split(b"\r\n")
header, caches = lines[:4], [l for l in lines[4:] if l]
with open(sys.argv[2], "wb") as f:
    f.write(b"\r\n".join(header) + b"\r\n")
    for i in range(10000):
        f.write(caches[i % len(caches)] + b"\r\n")
PY
peak=$(python3 - "$batch" "$service" "$work/many.wpt" "$work/many.gpx" <<'PY'
import resource, subprocess, sys
batch, service, wpt, gpx = sys.argv[1:5]
code = subprocess.call([batch, "--service", service, wpt, gpx], stderr=subprocess.DEVNULL, timeout=600)
print(code, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024)
PY
)
size_mib=$(($(stat -c %s "$work/many.gpx" 2>/dev/null || echo 0) / 1048576))
check "10,000 waypoints convert" test "${peak%% *}" -eq 0
echo "10,000 waypoints: document ${size_mib} MiB, peak RSS ${peak##* } MiB"
check "with memory bounded by the document (peak under 3x its size + 64 MiB)" \
  test "${peak##* }" -lt $((size_mib * 3 + 64))

finish_checks
