#!/usr/bin/env bash
# Removes what `make install` put under DESTDIR/PREFIX, saying each file it removes: the
# install rules in CMakeLists.txt are the one list of files, so they are run into a scratch
# folder to learn it. Folders of that list left empty go too, but for the prefix's own
# standard ones (bin, lib, share, share/man, share/doc), which other programs share.
set -euo pipefail
build=$1 prefix=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
target="${DESTDIR:-}$prefix"
DESTDIR="" cmake --install "$build" --prefix "$stage" >/dev/null
cd "$stage"
removed=0
while read -r file; do
  [ -e "$target/$file" ] || [ -L "$target/$file" ] || continue
  rm -f "$target/$file"
  echo "uninstall: removed $target/$file"
  removed=$((removed + 1))
done < <(find . -type f -o -type l | sed 's|^\./||' | sort)
if [ "$removed" -eq 0 ]; then
  echo "uninstall: nothing of the indicator is installed under $target (installed elsewhere? make uninstall PREFIX=...)" >&2
  exit 1
fi
while read -r folder; do
  case "$folder" in
    bin | lib | share | share/man | share/doc) ;;
    *) rmdir "$target/$folder" 2>/dev/null && echo "uninstall: removed the empty folder $target/$folder" || true ;;
  esac
done < <(find . -mindepth 1 -type d | sed 's|^\./||' | sort -r)
