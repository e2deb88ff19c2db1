#!/usr/bin/env bash
# `make install`'s files, `make uninstall` taking them all away again, and the Debian
# package: its contents and the dependencies dpkg-shlibdeps read off the binaries.
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

expected=$(cat "$source/tests/data/installed-files.txt")

DESTDIR="$scratch/stage" cmake --install "$build" --prefix /opt/indicator >/dev/null
installed=$(cd "$scratch/stage/opt/indicator" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "installed files differ: $installed"
# Started through a link from elsewhere, the installed indicator finds its desktop module:
# it gets as far as the display.
ln -s "$scratch/stage/opt/indicator/bin/indicator" "$scratch/linked"
said=$(cd / && DISPLAY=:9797 "$scratch/linked" </dev/null 2>&1 | head -n 1)
[ "$said" = "indicator: no desktop tray: cannot open display :9797; nothing is shown on screen" ] ||
  fail "the linked indicator said: $said"
uninstall() { DESTDIR="$scratch/stage" "$source/scripts/uninstall.sh" "$build" /opt/indicator 2>&1; }
said=$(uninstall) || fail "uninstall failed: $said"
[ "$(grep -c "^uninstall: removed /" <<<"$said")" -ge 9 ] || fail "uninstall said: $said"
left=$(cd "$scratch/stage/opt/indicator" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./bin ./lib ./share ./share/doc ./share/man " ] || fail "left behind by uninstall: $left"
# Again, or with a forgotten PREFIX: nothing there is said, and fails.
said=$(uninstall) && fail "a second uninstall succeeded"
[[ $said == "uninstall: nothing of the indicator is installed under $scratch/stage/opt/indicator"* ]] ||
  fail "a second uninstall said: $said"

(cd "$scratch" && cpack -B "$scratch/package" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$scratch"/package/indicator_*_"$(dpkg --print-architecture)".deb)
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\/usr\//, "", $6); print $6}' | sort)
[ "$contents" = "$expected" ] || fail "the package holds: $contents"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libsimdjson14 libglib2.0-0 libgtk-3-0 libayatana-appindicator3-1; do
  [[ ", $depends," == *", $library "* ]] || fail "Depends lacks $library: $depends"
done
# Debian's own checker has nothing to say of it.
if command -v lintian >/dev/null; then
  findings=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian: $findings"
fi
echo "install_test: 1 passed, 0 failed"
