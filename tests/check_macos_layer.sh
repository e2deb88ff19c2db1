#!/usr/bin/env bash
# Checks the macOS build on a machine without macOS. CMake configures the Apple branch as
# on a Mac (macos_toolchain.cmake): every file an Apple target builds compiles for an Intel
# Mac against the SDK stub, every warning an error (availability, BOOL, ARC), and each
# executable, the bundle too, "links" with every symbol of the project's own defined. The
# Objective-C++ files, and the AppKit test, compile again for Apple silicon and against an
# SDK older than macOS 14. No file outside platform/ names an AppKit, Foundation or dispatch
# API, and the .mm files hold nothing of the system's own but conversion and forwarding.
# check_macos_layer.sh BUILD_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
model=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --no-warn-unused-cli -S . -B "$model" --toolchain tests/macos_toolchain.cmake -DINDICATOR_FETCH_SIMDJSON=OFF \
  -DINDICATOR_TESTS=OFF -DINDICATOR_WERROR=ON >/dev/null || fail "the Apple branch does not configure"
cmake --build "$model" -j 2 --target indicator indicator_app indicator-check >/dev/null ||
  fail "an Apple target does not build or link (above)"
plist=$(tr -d ' \n' < "$model/indicator.app/Contents/Info.plist")
minimum=$(sed -n 's/^CMAKE_OSX_DEPLOYMENT_TARGET:[A-Z]*=//p' "$model/CMakeCache.txt")
[[ $plist == *"<key>LSMinimumSystemVersion</key><string>$minimum</string>"* ]] ||
  fail "the bundle's LSMinimumSystemVersion is not the deployment target $minimum"

# Each Objective-C++ file's own command, for Apple silicon and against the older SDK.
while IFS=$'\t' read -r file command; do
  for variant in "arm64 140000" "arm64 130000" "x86_64 130000"; do
    read -r arch sdk <<< "$variant"
    # -D__x86_64__: the host's C headers, standing in for Darwin's, take their word size from it.
    eval "${command//x86_64-apple/$arch-apple} -D__x86_64__ -D__MAC_OS_X_VERSION_MAX_ALLOWED=$sdk -Wno-macro-redefined \
      -fsyntax-only -o /dev/null" || fail "$file does not compile for $arch against the SDK of $sdk"
  done
done < <(python3 - "$model/compile_commands.json" <<'PY'
import json, re, sys
for entry in json.load(open(sys.argv[1])):
    if entry["file"].endswith(".mm"):
        command = re.sub(r" -o \S+| -c \S+", "", entry["command"])
        print(entry["file"], command + " -c " + entry["file"], sep="\t")
        if entry["file"].endswith("application_appkit.mm"):  # the AppKit test builds the same way
            print("tests/appkit_layer_test.mm", command + " -c tests/appkit_layer_test.mm", sep="\t")
PY
)

# Platform names stay in platform/.
names='\bNS[A-Z][A-Za-z]+\b|\bdispatch_[a-z_]+\b|\bCG(Float|Rect|Size|Point)\b|@(interface|implementation|selector)\b|#import\b|\bQOS_CLASS_[A-Z]+'
leaks=$(git ls-files -- base report model render selftest app check fuzz bench | grep -E '\.(cpp|h|mm)$' | xargs -r grep -nE "$names")
[ -z "$leaks" ] || fail "platform names outside platform/:"$'\n'"$leaks"

# The layer's .mm files convert and forward: they include only the platform interface,
# and hold no text of the system's own and no loop but the one over styled runs.
for file in platform/macos/*.mm; do
  foreign=$(grep -nE '^#(include|import) "' "$file" | grep -v '"platform/')
  [ -z "$foreign" ] || fail "$file includes beyond platform/: $foreign"
  texts=$(grep -nE '"[^"]+"' "$file" | grep -vE '^[0-9]+:#(include|import) ')
  [ -z "$texts" ] || fail "$file holds text of its own:"$'\n'"$texts"
  loops=$(grep -nE '\b(while|do|goto)\b|\bfor \(' "$file" | grep -v 'const model::StyledRun& run : text')
  [ -z "$loops" ] || fail "$file holds logic beyond conversion:"$'\n'"$loops"
done

if [ "$failed" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "macOS build: the Apple targets compile for x86_64 and link; the Objective-C++ for arm64 and the older SDK too; no platform names leak"
