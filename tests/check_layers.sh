#!/usr/bin/env bash
# Fails on an include that runs upward or sideways: each layer's files may include their
# own folder and the folders or files its entry in CMake's INDICATOR_LAYERS names, nothing
# else of the project's. A layer may be a folder inside another (platform/glib), whose
# entry is then checked besides its parent's.
cd "$(dirname "$0")/.." || exit 1
failed=0
layers=$(sed -n '/^set(INDICATOR_LAYERS/,/)/s/^ *"\([^"]*\)".*/\1/p' CMakeLists.txt)
while read -r layer; do
  folder=${layer%%:*}
  allowed="$folder ${layer#*:}"
  while IFS=: read -r file _ included; do
    path=$(sed -E 's/^#(include|import) "([^"]+)".*/\2/' <<< "$included")
    ok=0
    for entry in $allowed; do [[ $path == "$entry" || $path == "$entry"/* ]] && ok=1; done
    [ "$ok" -eq 1 ] || { echo "$file: $included (a $folder file may include only $allowed)"; failed=1; }
  done < <(find "$folder" -name '*.cpp' -o -name '*.h' -o -name '*.mm' | sort | xargs -r grep -HnE '^#(include|import) "[a-z_]+/')
done <<< "$layers"
[ -n "$layers" ] || { echo "no INDICATOR_LAYERS in CMakeLists.txt"; failed=1; }
[ "$failed" -eq 0 ] && echo "layers: no include runs upward or sideways" || echo "0 passed, 1 failed"
exit "$failed"
