#!/usr/bin/env bash
# Configures, builds and installs the two programs as each way of installing them does:
# the Homebrew formula, the macOS workflow's universal bundle and `make install` all run
# these commands, and the check of the Apple branch runs them here just as they do. Then
# reads what the install wrote (DESTDIR staging honoured) for what must and must not be there.
# build-and-install.sh formula|bundle|source BUILD_DIR [CMAKE_ARG...]
set -euo pipefail
profile=${1:-} build=${2:-}
case $profile in
  # Homebrew's own simdjson (a formula may download nothing while it builds), and the C
  # library's malloc, not a mimalloc that happens to be installed and that the formula does not name.
  formula) flags=(-DINDICATOR_FETCH_SIMDJSON=OFF -DINDICATOR_TESTS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_mimalloc=ON)
           targets=(indicator indicator-check) ;;
  # One application bundle for both Mac architectures, signed for this machine and zipped.
  bundle) flags=(-DCMAKE_BUILD_TYPE=Release -DINDICATOR_TESTS=OFF "-DCMAKE_OSX_ARCHITECTURES=arm64;x86_64")
          targets=(indicator_app_zip indicator indicator-check) ;;
  source) flags=() targets=(indicator indicator-check) ;;
  *) echo "usage: build-and-install.sh formula|bundle|source BUILD_DIR [CMAKE_ARG...]" >&2; exit 2 ;;
esac
shift 2
cmake -S "$(dirname "$0")/.." -B "$build" "${flags[@]}" "$@" >/dev/null
cmake --build "$build" -j "${JOBS:-$(getconf _NPROCESSORS_ONLN)}" --target "${targets[@]}"
cmake --install "$build" >/dev/null

installed="$build/install_manifest.txt"
missing=()
for file in bin/indicator bin/indicator-check share/man/man1/indicator.1.gz share/man/man1/indicator-check.1.gz \
  share/doc/indicator/README.md share/doc/indicator/changelog.gz; do
  grep -q "/$file\$" "$installed" || missing+=("$file")
done
[ ${#missing[@]} -eq 0 ] || { echo "build-and-install: not installed: ${missing[*]}" >&2; exit 1; }
# simdjson is linked in, or a library of the system's: none of it is installed with the indicator.
if grep -i simdjson "$installed" >&2; then
  echo "build-and-install: simdjson's files were installed (above)" >&2
  exit 1
fi
echo "build-and-install: $(wc -l < "$installed" | tr -d ' ') files installed from $build"
