#!/usr/bin/env bash
# The checks that guard what no test here can run (a Mac, the layers' rules), proven: each
# patch in tests/data/faults/ plants one fault, and names the check it must fail and what
# that check must say. Applied alone to a copy of the tree, it must make that check fail.
# check_faults.sh WORK_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
copy=$1/tree
rm -rf "$copy" && mkdir -p "$copy" || exit 1
(cd "$root" && git ls-files -co --exclude-standard | while read -r f; do [ -e "$f" ] && echo "$f"; done |
  xargs -d '\n' cp --parents -t "$copy") || exit 1
caught=0 missed=0
for fault in "$root"/tests/data/faults/*.patch; do
  name=$(basename "$fault" .patch)
  check=$(sed -n 's/^Check: //p' "$fault") expected=$(sed -n 's/^Expect: //p' "$fault")
  if ! patch -s -d "$copy" -p1 < "$fault"; then
    echo "FAIL: $name no longer applies to the tree"; missed=$((missed + 1)); continue
  fi
  if said=$(bash "$copy/$check" "$1/build" 2>&1) || ! grep -qF -- "$expected" <<< "$said"; then
    echo "FAIL: $name is not caught: $check did not fail saying \"$expected\""; missed=$((missed + 1))
  else
    caught=$((caught + 1))
  fi
  patch -s -R -d "$copy" -p1 < "$fault"
done
echo "$caught passed, $missed failed"
[ "$missed" -eq 0 ]
