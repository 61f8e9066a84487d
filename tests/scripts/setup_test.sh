#!/usr/bin/env bash
# The set-up a new user meets: the release preset configures without the test libraries (and,
# with TRELKA_WINDOW=OFF, without Qt), and scripts/run explains itself where no window can
# be shown.
#
#   setup_test.sh SOURCE_FOLDER
set -u
source_dir=$1
source "$(dirname "$0")/../support/check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

configures() {  # folder, then cache options
  local folder=$1
  shift
  (cd "$source_dir" && cmake --preset release -B "$work/$folder" "$@" >"$work/$folder.log" 2>&1) ||
    { tail -n 20 "$work/$folder.log"; return 1; }
}
check "the release preset configures without GoogleTest and libxml2" \
  configures no-test-libraries -DCMAKE_DISABLE_FIND_PACKAGE_GTest=TRUE \
  -DCMAKE_DISABLE_FIND_PACKAGE_LibXml2=TRUE
check "TRELKA_WINDOW=OFF configures without Qt as well" \
  configures no-window -DTRELKA_WINDOW=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=TRUE \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=TRUE -DCMAKE_DISABLE_FIND_PACKAGE_LibXml2=TRUE
(cd "$source_dir" && cmake --preset release -B "$work/bad-address" \
  -DTRELKA_PAGE_SERVICE_ADDRESS=http://pages.test:99999 >"$work/bad-address.log" 2>&1)
check "a compiled-in address with a bad port stops configuring" test $? -ne 0
# CMake wraps its messages; join the lines back.
check "saying what is wrong with it" \
  bash -c "tr -s '\n ' '  ' <'$work/bad-address.log' | grep -q 'the port must be a number from 1 to 65535'"
check "a user's build does not turn warnings into errors" \
  bash -c "! grep -q -- -Werror '$work/no-test-libraries/build.ninja'"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  bash -c 'source "$1/scripts/lib.sh" && has_desktop_session' _ "$source_dir" 2>"$work/message"
check "without a display scripts/run stops with exit 1" test $? -eq 1
check "saying that the window needs a desktop session" grep -q 'needs a desktop session' "$work/message"
check "naming trelka-batch" grep -q 'build/release/tools/trelka-batch' "$work/message"
check "and the offscreen platform" grep -q 'QT_QPA_PLATFORM=offscreen' "$work/message"
for variable in DISPLAY=:0 WAYLAND_DISPLAY=wayland-0 QT_QPA_PLATFORM=offscreen; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$variable" \
    bash -c 'source "$1/scripts/lib.sh" && has_desktop_session' _ "$source_dir" 2>/dev/null
  check "with $variable it starts the window" test $? -eq 0
done

finish_checks
