# Shared by the scripts: installing what is missing, building with a preset, and the check
# that a window can be shown. Sourced, not run.

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running the programs needs; qt6-translations-l10n has Qt's own dialogs
# in Russian.
run_packages=(g++ cmake ninja-build pkg-config libicu-dev qt6-base-dev libgl-dev
  qt6-translations-l10n)
# What the tests need on top: GoogleTest, libxml2, the real peers, the formatter and checker,
# the fuzzers' compiler, and the desktop's own checks of the installed entry and file type.
test_packages=(python3 libgtest-dev libxml2-dev libxml2-utils nginx-light apache2-utils gpsbabel
  clang clang-format clang-tidy libclang-rt-14-dev xvfb xauth gnuplot-nox dpkg-dev file
  shared-mime-info desktop-file-utils)
# What the Windows build and its tests under wine need: the MinGW-w64 cross compiler (POSIX
# threads), wine, GoogleTest's sources to build with the cross compiler, and NSIS for the
# installer.
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest zip nsis)
# What the Win32 window's tests need on top: a virtual X screen with a window manager, keys
# typed into it, and a picture of the window.
windows_window_packages=(xvfb xauth openbox xdotool x11-utils imagemagick)
# What scripts/screenshot and scripts/draw-icon need: a virtual X screen and ImageMagick.
screenshot_packages=(xvfb xauth x11-utils imagemagick)
# What scripts/package needs on top of the run packages.
package_packages=(dpkg-dev file)

# Installs the named Debian packages that are not installed yet.
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build PRESET: configures build/PRESET from CMakePresets.json and builds it.
configure_and_build() {
  (cd "$top" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1")
}

# start_wine: a fresh wine prefix under build/ for this run, made once, before anything runs
# under wine; the variables go to the programs started after it.
start_wine() {
  export WINEPREFIX="$top/build/wine-prefix" WINEDEBUG=-all
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine_program wineboot --init >/dev/null 2>&1
}

# stage_windows_programs BUILD: copies the programs of the Windows build BUILD, stripped, with
# the README for Windows users into BUILD/programs; prints the version.
stage_windows_programs() {
  local build=$1
  rm -rf "$build/programs"
  mkdir -p "$build/programs"
  cp "$build/app/windows/trelka.exe" "$build/tools/trelka-batch.exe" "$build/programs/"
  x86_64-w64-mingw32-strip "$build/programs/"*.exe
  # Windows' own text conventions for the README: CR LF line ends, UTF-8 with its mark.
  { printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$top/docs/windows-readme.txt"; } >"$build/programs/README.txt"
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt"
}

# windows_installer BUILD VERSION: the installer (NSIS, 64-bit) of the programs staged in
# BUILD/programs, as BUILD/trelka-VERSION-setup.exe; prints its path.
windows_installer() {
  local build
  build=$(realpath "$1")
  local setup="$build/trelka-$2-setup.exe"
  makensis -V2 -DVERSION="$2" -DPROGRAMS="$build/programs" -DICON="$top/app/windows/trelka.ico" \
    -DOUTFILE="$setup" "$top/installer/trelka.nsi" >/dev/null
  echo "$setup"
}

# Runs a Windows program under wine64.
wine_program() {
  local wine
  wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  "$wine" "$@"
}

# Ends the wine server of this run's prefix, and with it whatever still runs there.
stop_wine() {
  local server
  server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  [ -n "${WINEPREFIX:-}" ] && "$server" -k 2>/dev/null || true
}

# Succeeds when the window can be shown: a desktop session, or a Qt platform chosen by hand
# (QT_QPA_PLATFORM=offscreen). Otherwise says what to do instead and fails.
has_desktop_session() {
  [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ] && return 0
  cat >&2 <<'TEXT'
Trelka's window needs a desktop session, and neither DISPLAY nor WAYLAND_DISPLAY is set.
- build/release/tools/trelka-batch converts without one:
    build/release/tools/trelka-batch [--terrain] WPT_FILE GPX_FILE
- QT_QPA_PLATFORM=offscreen scripts/run starts the window headless.
TEXT
  return 1
}
