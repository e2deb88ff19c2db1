#!/usr/bin/env bash
# Installs what a target needs, and nothing that is already there: `install-deps.sh run`
# what building and running the two programs needs, `test` (the default) what the tests
# need too, `bench` what the benchmarks compare against, `hosts` the desktops
# `make test-hosts` runs the tray on (several hundred packages, for Plasma).
set -euo pipefail
target=${1:-test}

if [ "$(uname -s)" = Darwin ]; then
  command -v brew >/dev/null || { echo "install-deps: Homebrew is needed on macOS (https://brew.sh)" >&2; exit 1; }
  missing=()
  # simdjson is built from source by CMake on macOS, for the bundle's architectures.
  formulas=(cmake pkg-config googletest nlohmann-json glib)
  [ "$target" = run ] && formulas=(cmake pkg-config glib)
  [ "$target" = bench ] && formulas=(google-benchmark jq)
  for formula in "${formulas[@]}"; do
    brew list --formula "$formula" >/dev/null 2>&1 || missing+=("$formula")
  done
  [ ${#missing[@]} -eq 0 ] || brew install "${missing[@]}"
  exit 0
fi

# the programs, and the desktop tray's module
run=(cmake make g++ pkg-config libsimdjson-dev libglib2.0-dev libmimalloc-dev libgtk-3-dev libayatana-appindicator3-dev)
packages=("${run[@]}" clang libc++-14-dev libc++abi-14-dev python3 libgtest-dev nlohmann-json3-dev
  # the check of the macOS build: LLVM's archiver and symbol tools, which read Mach-O
  llvm
  # indicator-check's tests: dash for the sh producer
  dash
  # `make package`: dpkg-shlibdeps computes the package's dependencies
  dpkg-dev
  # `make package`: Debian's own checker of the package
  lintian
  # the X server, session bus, panel and tools the tray's tests run it under
  xvfb dbus xfce4-panel xdotool imagemagick python3-gi tesseract-ocr
  # the screen reader's view of the menu: the accessibility bus and its Python client
  at-spi2-core python3-pyatspi)
[ "$target" = run ] && packages=("${run[@]}")
[ "$target" = bench ] && packages=(libbenchmark-dev jq)
[ "$target" = hosts ] && packages=(gnome-shell gnome-shell-extension-appindicator plasma-workspace plasma-desktop kded5
  kwin-wayland qtwayland5
  libglib2.0-bin)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "install-deps: installing ${missing[*]}" >&2
# Another apt run (an unattended upgrade, say) holding the lock is waited for, not failed on.
wait_for_lock=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${wait_for_lock[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait_for_lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >&2
