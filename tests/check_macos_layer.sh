#!/usr/bin/env bash
# Checks the macOS build on a machine without macOS. CMake configures the Apple branch as
# on a Mac (macos_toolchain.cmake): every target `make test` builds on a Mac, the tests
# too, and the bundle compile for an Intel Mac against the SDK stub, every warning an error
# (availability, BOOL, ARC, what macOS 11's C and C++ libraries lack), and each executable
# "links" with every symbol of the project's own defined. The Objective-C++ files compile
# again for Apple silicon and against an SDK older than macOS 14. The formula's and the
# workflow's own build-and-install commands run as on a Mac, staged. No file outside
# platform/ names an AppKit, Foundation or dispatch API; the .mm files hold nothing of the
# system's own but conversion and forwarding, reach AppKit from the main queue only and
# keep no menu item to add again.
# check_macos_layer.sh BUILD_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
model=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

apple=(--toolchain "$root/tests/macos_toolchain.cmake")

cmake --no-warn-unused-cli -S . -B "$model" "${apple[@]}" -DINDICATOR_FETCH_SIMDJSON=OFF -DINDICATOR_WERROR=ON \
  >/dev/null || fail "the Apple branch does not configure"
{ cmake --build "$model" -j 2 && cmake --build "$model" -j 2 --target indicator_app; } >/dev/null ||
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
        print(entry["file"], re.sub(r" -o \S+", "", entry["command"]), sep="\t")
PY
)

# The formula's and the bundle step's own commands in fresh folders, staged: Homebrew's
# arguments as it gives them (it refuses FetchContent), stand-ins for codesign and ditto.
stage=$model/staged
rm -rf "$stage" "$model/formula" "$model/bundle"
PATH="$root/tests/macos_sdk_stub/bin:$PATH" DESTDIR=$stage/formula scripts/build-and-install.sh formula \
  "$model/formula" "${apple[@]}" --no-warn-unused-cli -DCMAKE_INSTALL_PREFIX=/opt/homebrew/Cellar/indicator/HEAD -DCMAKE_INSTALL_LIBDIR=lib \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_FRAMEWORK=LAST -DCMAKE_VERBOSE_MAKEFILE=ON -Wno-dev -DBUILD_TESTING=OFF \
  -DCMAKE_PROJECT_TOP_LEVEL_INCLUDES="$root/tests/data/homebrew-no-fetch.cmake" >/dev/null ||
  fail "the formula's build and install fail (above)"
# One architecture: glibc's headers, standing in for Darwin's, serve one word size at a time.
PATH="$root/tests/macos_sdk_stub/bin:$PATH" DESTDIR=$stage/bundle scripts/build-and-install.sh bundle \
  "$model/bundle" "${apple[@]}" --no-warn-unused-cli -DCMAKE_INSTALL_PREFIX=/usr/local -DCMAKE_OSX_ARCHITECTURES=x86_64 \
  -DFETCHCONTENT_SOURCE_DIR_SIMDJSON="$root/tests/data/simdjson-standin" >/dev/null ||
  fail "the bundle step's build and install fail (above)"
compgen -G "$model/bundle/indicator-*-macos.zip" >/dev/null || fail "the bundle step made no zip"

# The workflow's LaunchDaemon step, with stand-ins for sudo, launchctl (which refuses a
# property list as launchd does) and the daemon: one that logs as the headless indicator
# must pass, one that does not must fail, and both are booted out and their lists removed.
daemons=$model/daemons record=$model/launchctl.txt
rm -rf "$daemons" "$record" && mkdir -p "$daemons"
for daemon in headless-daemon:0 graphical-daemon:1; do
  PATH="$root/tests/macos_sdk_stub/bin:$PATH" LAUNCH_DAEMONS=$daemons LAUNCHCTL_RECORD=$record \
    scripts/macos/launch-daemon.sh "tests/data/${daemon%:*}" "$model/${daemon%:*}" >"$model/daemon.txt" 2>&1
  [ $(( $? != 0 )) -eq "${daemon#*:}" ] || fail "the LaunchDaemon step with ${daemon%:*}:"$'\n'"$(cat "$model/daemon.txt")"
done
[ "$(grep -c '^bootout system/' "$record")" -eq 2 ] && [ -z "$(ls -A "$daemons")" ] ||
  fail "the LaunchDaemon step leaves its daemon behind:"$'\n'"$(cat "$record")"

# Platform names stay in platform/.
names='\bNS[A-Z][A-Za-z]+\b|\bdispatch_[a-z_]+\b|\bCG(Float|Rect|Size|Point)\b|@(interface|implementation|selector)\b|#import\b|\bQOS_CLASS_[A-Z]+'
leaks=$(find base report model render selftest app check fuzz bench -name '*.cpp' -o -name '*.h' -o -name '*.mm' | sort | xargs -r grep -nE "$names")
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
  # AppKit is main-thread only: a file that imports it names no other queue or thread.
  if grep -q '^#import <AppKit/' "$file"; then
    queues=$(grep -nE 'dispatch_get_global_queue|dispatch_queue_create|NSOperationQueue|\[NSThread (alloc|detach)|performSelectorInBackground|pthread_create|std::thread' "$file")
    [ -z "$queues" ] || fail "$file reaches AppKit off the main queue:"$'\n'"$queues"
  fi
  # AppKit raises when an item is added to a second menu, or twice to one: each item is
  # made where it is added, and none is kept (static, a member, the file's own) to be added again.
  kept=$(grep -nE '^(static )?NSMenuItem|static[^;(]*NSMenuItem\*|NSMenuItem\* (const )?[A-Za-z]\w*_( |;)' "$file")
  [ -z "$kept" ] || fail "$file keeps a menu item:"$'\n'"$kept"
done

if [ "$failed" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "macOS build: 1 passed, 0 failed (Apple targets built and linked, the formula, bundle and daemon steps run)"
