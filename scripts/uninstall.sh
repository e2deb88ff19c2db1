#!/usr/bin/env bash
# Removes what `make install` put under DESTDIR/PREFIX: the install rules in CMakeLists.txt
# are the one list of files, so they are run into a scratch folder to learn it.
set -euo pipefail
build=$1 prefix=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
target="${DESTDIR:-}$prefix"
DESTDIR="" cmake --install "$build" --prefix "$stage" >/dev/null
cd "$stage"
find . -type f -o -type l | while read -r file; do
  rm -f "$target/${file#./}"
done
# The folders that only the indicator uses, deepest first, once they are empty.
find . -mindepth 1 -type d | sort -r | while read -r folder; do
  case "${folder#./}" in
    lib/indicator*|share/doc/indicator*) rmdir "$target/${folder#./}" 2>/dev/null || true ;;
  esac
done
