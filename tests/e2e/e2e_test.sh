#!/usr/bin/env bash
# End to end with real peers: nginx serves generated catalogue pages on loopback,
# trelka-batch converts, xmllint and GPSBabel read the result. Also the run's behaviour when
# the page service dies mid-run, when the disk is full, and over 10,000 waypoints.
#
#   e2e_test.sh TRELKA_BATCH
set -u
batch=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/nginx/pages.sh"
source "$here/../support/check.sh"
work=$(mktemp -d)
cleanup() {
  stop_pages
  mountpoint -q "$work/small" 2>/dev/null && umount "$work/small"
  rm -rf "$work"
}
trap cleanup EXIT

pages_port=$(free_loopback_port)
service=http://127.0.0.1:$pages_port

python3 "$here/make_site.py" "$work/catalogue" 220
start_pages "$work/catalogue/site"

for mode in plain terrain; do
  flag=
  [ "$mode" = terrain ] && flag=--terrain
  out="$work/$mode.gpx"
  timeout 300 "$batch" $flag --service "$service" "$work/catalogue/caches.wpt" "$out" 2>"$work/$mode.err"
  check "trelka-batch converts the catalogue ($mode)" test $? -eq 0
  check "xmllint finds the document well-formed ($mode)" xmllint --noout "$out"
  check "GPSBabel reads it ($mode)" \
    gpsbabel -i gpx -f "$out" -o unicsv -F "$work/$mode.csv"
  check "every cache as GPSBabel sees it ($mode)" \
    python3 "$here/check_gpx.py" "$work/catalogue/expected.json" "$work/$mode.csv" "$out" "$mode"
done
cp "$work/terrain.gpx" "$work/batch-terrain.gpx" 2>/dev/null
timeout 300 "$batch" --connections 4 --service "$service" "$work/catalogue/caches.wpt" \
  "$work/four.gpx" 2>/dev/null
check "four connections give the bytes of one" cmp -s "$work/four.gpx" "$work/plain.gpx"

# A page that is missing stops the run with the status text and writes nothing.
printf 'earlier' >"$work/kept.gpx"
"$batch" --service "$service" "$work/catalogue/with_missing.wpt" "$work/kept.gpx" 2>"$work/missing.err"
check "a missing page fails the run" test $? -eq 1
check "with the status text and its full stop" test "$(tail -n 1 "$work/missing.err")" = "404 Not Found."
check "and leaves the earlier file" test "$(cat "$work/kept.gpx")" = "earlier"

# The page service dies after 20 pages: the socket error stops the run, nothing is written,
# and the next run after a restart succeeds.
"$batch" --service "$service" "$work/catalogue/caches.wpt" "$work/kept.gpx" 2>"$work/killed.err" &
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
