# Shared by the scripts: installing what is missing, and the build folders.
# Sourced, not run.

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running the programs needs.
run_packages=(g++ cmake ninja-build pkg-config libicu-dev qt6-base-dev libgl-dev)
# What the tests need on top: GoogleTest, libxml2, the real peers and the fuzzers' compiler.
test_packages=(python3 libgtest-dev libxml2-dev libxml2-utils nginx-light apache2-utils gpsbabel
  clang libclang-rt-14-dev xvfb xauth gnuplot-nox dpkg-dev file)
# What scripts/screenshot and scripts/draw-icon need: a virtual X screen and ImageMagick.
screenshot_packages=(xvfb xauth x11-utils imagemagick)

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

# configure_and_build FOLDER [cmake options...]
configure_and_build() {
  local folder=$1
  shift
  cmake -S "$top" -B "$top/$folder" -G Ninja "$@" >/dev/null
  cmake --build "$top/$folder"
}
