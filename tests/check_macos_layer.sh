#!/usr/bin/env bash
# Checks the macOS layer on a machine without macOS: the Objective-C++ and dispatch files
# compile against the SDK stub (ARC on, every warning an error), the core compiles with
# clang and libc++ as Apple's toolchain would build it, no file outside
# platform/ names an AppKit, Foundation or dispatch API, and the .mm files hold nothing
# of the system's own but conversion and forwarding.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
clang=${CLANGXX:-clang++}
common=(-fsyntax-only -std=c++20 -stdlib=libc++ -Wall -Wextra -Wpedantic -Werror
        -Wno-missing-field-initializers -isystem tests/macos_sdk_stub -I . -DINDICATOR_VERSION='"0"')
failed=0
fail() { echo "FAIL: $*"; failed=1; }

shopt -s nullglob
layer=(platform/*.mm)
objc=("${layer[@]}" tests/*.mm)
apple=(platform/*_appkit.cpp platform/*_gcd*.cpp)
[ ${#layer[@]} -gt 0 ] || fail "no platform/*.mm file"
# Against the macOS 14 SDK, and against an older one without macOS 14's declarations.
for sdk in 140000 130000; do
  for file in "${objc[@]}"; do
    "$clang" "${common[@]}" -D__MAC_OS_X_VERSION_MAX_ALLOWED=$sdk -x objective-c++ -fobjc-arc \
      -fobjc-runtime=macosx-11.0 -fblocks -Wundeclared-selector -Wobjc-missing-super-calls "$file" ||
      fail "$file does not compile against the SDK stub ($sdk)"
  done
  for file in "${apple[@]}"; do
    "$clang" "${common[@]}" -D__MAC_OS_X_VERSION_MAX_ALLOWED=$sdk "$file" ||
      fail "$file does not compile against the SDK stub ($sdk)"
  done
done

# Everything that builds on macOS besides the platform layer: the core, the headless
# status bar and indicator-check.
for file in $(git ls-files -- app report render selftest check platform/palette.cpp platform/status_bar_headless.cpp |
              grep -E '\.cpp$'); do
  "$clang" "${common[@]}" "$file" || fail "$file does not compile with libc++"
done

# Platform names stay in platform/.
names='\bNS[A-Z][A-Za-z]+\b|\bdispatch_[a-z_]+\b|\bCG(Float|Rect|Size|Point)\b|@(interface|implementation|selector)\b|#import\b|\bQOS_CLASS_[A-Z]+'
leaks=$(git ls-files -- app report render selftest check fuzz bench | grep -E '\.(cpp|h|mm)$' | xargs -r grep -nE "$names")
[ -z "$leaks" ] || fail "platform names outside platform/:"$'\n'"$leaks"

# The layer's .mm files convert and forward: they include only the platform interface,
# and hold no text of the system's own and no loop but the one over styled runs.
for file in "${layer[@]}"; do
  foreign=$(grep -nE '^#(include|import) "' "$file" | grep -v '"platform/')
  [ -z "$foreign" ] || fail "$file includes beyond platform/: $foreign"
  texts=$(grep -nE '"[^"]+"' "$file" | grep -vE '^[0-9]+:#(include|import) ')
  [ -z "$texts" ] || fail "$file holds text of its own:"$'\n'"$texts"
  loops=$(grep -nE '\b(while|do|goto)\b|\bfor \(' "$file" | grep -v 'const StyledRun& run : text')
  [ -z "$loops" ] || fail "$file holds logic beyond conversion:"$'\n'"$loops"
done

if [ "$failed" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "macOS layer: ${#objc[@]} Objective-C++ (the AppKit test included) and ${#apple[@]} C++ files compile against the stub, old SDK and new; the core with libc++; no platform names leak"
