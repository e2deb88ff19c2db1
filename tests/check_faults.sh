#!/usr/bin/env bash
# The check of the macOS build, proven: each patch in tests/data/macos_faults/ plants one
# fault that a Mac would show at once (its first line says what the check must say of it).
# Applied alone to a copy of the tree, it must make check_macos_layer.sh fail, saying so.
# check_macos_faults.sh WORK_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
copy=$1/tree
rm -rf "$copy" && mkdir -p "$copy" || exit 1
(cd "$root" && git ls-files -co --exclude-standard | while read -r f; do [ -e "$f" ] && echo "$f"; done |
  xargs -d '\n' cp --parents -t "$copy") || exit 1
caught=0 missed=0
for fault in "$root"/tests/data/macos_faults/*.patch; do
  name=$(basename "$fault" .patch) expected=$(sed -n '1s/^Expect: //p' "$fault")
  if ! patch -s -d "$copy" -p1 < "$fault"; then
    echo "FAIL: $name no longer applies to the tree"; missed=$((missed + 1)); continue
  fi
  if said=$(bash "$copy/tests/check_macos_layer.sh" "$1/build" 2>&1) || ! grep -qF -- "$expected" <<< "$said"; then
    echo "FAIL: $name is not caught: the check did not fail saying \"$expected\""; missed=$((missed + 1))
  else
    caught=$((caught + 1))
  fi
  patch -s -R -d "$copy" -p1 < "$fault"
done
echo "$caught passed, $missed failed"
[ "$missed" -eq 0 ]
