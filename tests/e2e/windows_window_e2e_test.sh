#!/usr/bin/env bash
# The Win32 window end to end, under wine on a virtual X screen with openbox, driven by keys
# as a person would: trelka.exe converts a catalogue with a missing page from nginx on
# loopback, the failed-page box is answered "Пропустить" (Return), the end-of-run box closed,
# Return on the focused Save button opens the save dialog, which starts at the waypoint file's
# name with ".gpx" and is accepted with Return. The saved bytes are trelka-batch.exe
# --keep-going's. Then the second save entry (GPX 1.0) from the same run. Also leaves a
# screenshot of the window.
#
#   windows_window_e2e_test.sh TRELKA_EXE TRELKA_BATCH_EXE SERVICE [SCREENSHOT]
# SERVICE is the address trelka.exe was built to ask (http://127.0.0.1:PORT). WINEPREFIX names
# a prefix made beforehand (scripts/test makes one per run).
set -u
exe=$1
batch_exe=$2
service=$3
screenshot=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/nginx/pages.sh"
source "$here/../support/check.sh"
source "$here/../support/x_screen.sh"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
work=$(mktemp -d)
window_pid=
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null
  stop_pages
  stop_x_screen
  rm -rf "$work"
}
trap cleanup EXIT
start_x_screen

pages_port=${service##*:}
python3 "$here/make_site.py" "$work/catalogue" 30
start_pages "$work/catalogue/site"
mkdir "$work/Тайники"
wpt="$work/Тайники/лес 1.wpt"
cp "$work/catalogue/with_missing.wpt" "$wpt"
for shape in 1.1 1.0; do
  timeout 300 "$wine" "$batch_exe" --keep-going --gpx "$shape" --service "$service" "$wpt" \
    "$work/expected-$shape.gpx" 2>/dev/null
done

# wait_for_window TITLE: the id of a visible window titled exactly TITLE, within 60 s.
wait_for_window() {
  local id
  for _ in $(seq 600); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      [ "$(xdotool getwindowname "$id")" = "$1" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null | sort; }
# wait_for_new_window BEFORE: a visible window that is not among BEFORE, within 60 s.
wait_for_new_window() {
  local id
  for _ in $(seq 600); do
    id=$(comm -13 <(echo "$1") <(visible_windows) | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# press WINDOW KEYS...: gives WINDOW the focus and types KEYS there.
press() {
  local window=$1
  shift
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
  sleep 0.3
  xdotool key --clearmodifiers "$@"
}
# wait_for_file PATH: until PATH exists and stops growing, within 60 s.
wait_for_file() {
  local size=-1
  for _ in $(seq 600); do
    if [ -s "$1" ] && [ "$(stat -c %s "$1")" = "$size" ]; then return 0; fi
    [ -e "$1" ] && size=$(stat -c %s "$1")
    sleep 0.1
  done
  return 1
}

"$wine" "$exe" "$wpt" >/dev/null 2>&1 &
window_pid=$!
main=$(wait_for_window Trelka)
check "the window opens" test -n "$main"
# Nothing further can be driven without the window; import would even wait for a click.
[ -n "$main" ] || { xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null; finish_checks; exit; }
# The boxes carry the title derived from the program's name: "trelka".
question=$(wait_for_window trelka)
check "a missing page asks what to do" test -n "$question"
press "$question" Return
summary=$(wait_for_window trelka)
check "the end of the run lists what is missing" test -n "$summary"
press "$summary" Return
sleep 1
[ -n "$screenshot" ] && import -window "$main" "$screenshot" 2>/dev/null
before=$(visible_windows)
press "$main" Return
dialog=$(wait_for_new_window "$before")
check "Return on Save opens the save dialog" test -n "$dialog"
press "$dialog" Return
saved="$work/Тайники/лес 1.gpx"
wait_for_file "$saved"
check "the dialog starts at the waypoint file's name with .gpx" test -e "$saved"
check "the saved document is trelka-batch.exe --keep-going's" cmp "$saved" "$work/expected-1.1.gpx"

# The same run saved again through the dialog's second entry, under another name.
before=$(visible_windows)
press "$main" Return
dialog=$(wait_for_new_window "$before")
press "$dialog" alt+n Home shift+End
xdotool type --delay 50 gpx10.gpx
xdotool key alt+t Down Return
wait_for_file "$work/Тайники/gpx10.gpx"
check "the second entry saves the GPX 1.0 of the same run" \
  cmp "$work/Тайники/gpx10.gpx" "$work/expected-1.0.gpx"

press "$main" alt+F4
for _ in $(seq 100); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
check "closing the window ends the program" bash -c "! kill -0 $window_pid 2>/dev/null"
window_pid=

finish_checks
