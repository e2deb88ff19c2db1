#!/usr/bin/env bash
# Fails on an include that runs upward: each layer's files may include their own folder
# and the folders CMake's INDICATOR_LAYERS lets the layer use, nothing else of the project's.
# check_layers.sh "layer:used used..." ...
cd "$(dirname "$0")/.." || exit 1
failed=0
for layer in "$@"; do
  folder=${layer%%:*}
  allowed=" $folder ${layer#*:} "
  while IFS=: read -r file _ included; do
    top=$(sed -E 's/^#(include|import) "([a-z_]+)\/.*/\2/' <<< "$included")
    [[ $allowed == *" $top "* ]] || { echo "$file: $included (a $folder file may include only$allowed)"; failed=1; }
  done < <(git ls-files -- "$folder" | grep -E '\.(cpp|h|mm)$' | xargs -r grep -HnE '^#(include|import) "[a-z_]+/')
done
[ "$failed" -eq 0 ] && echo "layers: no include runs upward" || echo "0 passed, 1 failed"
exit "$failed"
