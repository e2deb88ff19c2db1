#!/usr/bin/env bash
# Runs the indicator as a LaunchDaemon, outside any graphical session, with two reports on
# its input, and checks what it logged: the headless path on Grand Central Dispatch.
# launchctl bootstraps a system daemon only from a property list owned by root:wheel that
# no one else may write, so the list is installed as root; the daemon is booted out and
# its list removed again on every way out of this script.
# launch-daemon.sh INDICATOR WORK_DIR
set -euo pipefail
indicator=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mkdir -p "$2" && cd "$2" && pwd)
label=com.kestrelwick.indicator.headless
plist=${LAUNCH_DAEMONS:-/Library/LaunchDaemons}/$label.plist
log=$work/headless.txt

printf '{"title":"42%%"}\n{"title":"43%%"}\n' > "$work/headless.jsonl"
rm -f "$log"
cat > "$work/$label.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>Label</key><string>$label</string>
  <key>ProgramArguments</key><array><string>$indicator</string></array>
  <key>StandardInPath</key><string>$work/headless.jsonl</string>
  <key>StandardErrorPath</key><string>$log</string>
  <key>RunAtLoad</key><true/>
</dict></plist>
PLIST

takeDown() {
  sudo launchctl bootout "system/$label" 2>/dev/null || true
  sudo rm -f "$plist"
}
trap takeDown EXIT
sudo install -o 0 -g 0 -m 644 "$work/$label.plist" "$plist"
sudo launchctl bootstrap system "$plist"
# It ends with its input; its last line is the second report's.
for _ in $(seq 120); do
  grep -q 'title=43%' "$log" 2>/dev/null && break
  sleep 0.25
done
cat "$log"
[ "$(sed -n 1p "$log")" = "indicator: no status bar: not in a graphical login session; nothing is shown on screen" ]
grep -qx 'indicator: status item created' "$log"
grep -Eqx 'indicator: title=43% width=[0-9]+\.[0-9]+ sections=0' "$log"
# Only the indicator's own lines.
if grep -v '^indicator: ' "$log"; then exit 1; fi
