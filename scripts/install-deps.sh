#!/usr/bin/env bash
# Installs what building and testing the indicator needs, and nothing that is already there.
set -euo pipefail

if [ "$(uname -s)" = Darwin ]; then
  command -v brew >/dev/null || { echo "install-deps: Homebrew is needed on macOS (https://brew.sh)" >&2; exit 1; }
  missing=()
  # simdjson is built from source by CMake on macOS, for the bundle's architectures.
  formulas=(cmake pkg-config googletest nlohmann-json glib)
  [ "${1:-}" = bench ] && formulas=(google-benchmark jq)
  for formula in "${formulas[@]}"; do
    brew list --formula "$formula" >/dev/null 2>&1 || missing+=("$formula")
  done
  [ ${#missing[@]} -eq 0 ] || brew install "${missing[@]}"
  exit 0
fi

packages=(cmake make g++ clang libc++-14-dev libc++abi-14-dev pkg-config python3 libsimdjson-dev libglib2.0-dev libgtest-dev nlohmann-json3-dev libmimalloc-dev
  # the check of the macOS build: LLVM's archiver and symbol tools, which read Mach-O
  llvm
  # indicator-check's tests: dash for the sh producer
  dash
  # `make package`: dpkg-shlibdeps computes the package's dependencies
  dpkg-dev
  # the desktop tray, and the X server, session bus, panel and tools its tests run it under
  libgtk-3-dev libayatana-appindicator3-dev xvfb dbus xfce4-panel xdotool imagemagick python3-gi tesseract-ocr)
# `install-deps.sh bench` adds what the benchmarks compare against; `hosts` the desktops
# `make test-hosts` runs the tray on (several hundred packages, for Plasma).
[ "${1:-}" = bench ] && packages=(libbenchmark-dev jq)
[ "${1:-}" = hosts ] && packages=(gnome-shell gnome-shell-extension-appindicator plasma-workspace plasma-desktop kded5
  libglib2.0-bin)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "install-deps: installing ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
