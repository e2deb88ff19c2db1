#!/usr/bin/python3
"""How fast the desktop tray shows a report: from a line written to the indicator to the
StatusNotifierItem's change signal on the bus (p50 and p99 over isolated reports), and how
often the panel is told to redraw during a burst. Runs the indicator on Xvfb with
xfce4-panel's tray on a private session bus (Debian's python3, with GObject bindings).

usage: bench/tray_refresh.py INDICATOR   (prints one JSON object)"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from gi.repository import Gio, GLib  # noqa: E402

from harness import DesktopSession  # noqa: E402

INDICATOR = os.path.abspath(sys.argv[1])
ISOLATED = 60
BURST = 10_000


def main():
    session = DesktopSession(tempfile.mkdtemp(prefix="tray-refresh-"))
    try:
        bus = Gio.DBusConnection.new_for_address_sync(
            session.panel(), Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        signals = []
        bus.signal_subscribe(None, "org.kde.StatusNotifierItem", None, None, None, Gio.DBusSignalFlags.NONE,
                             lambda bus, sender, path, interface, member, *rest: signals.append((time.monotonic(), member)))
        context = GLib.MainContext.default()

        def pump(seconds):
            until = time.monotonic() + seconds
            while time.monotonic() < until:
                context.iteration(False)
                time.sleep(0.0005)

        process = session.spawn([INDICATOR], stdin=subprocess.PIPE)
        pump(3)  # registered, first icon drawn

        latencies = []
        for i in range(ISOLATED):
            signals.clear()
            written = time.monotonic()
            process.stdin.write(b'{"title":"%d%%"}\n' % i)
            process.stdin.flush()
            deadline = written + 5
            while not signals and time.monotonic() < deadline:
                context.iteration(False)
            if not signals:
                raise AssertionError("no change signal within 5 s")
            latencies.append((signals[0][0] - written) * 1000)
            pump(0.1)  # quiet: more than one refresh interval

        signals.clear()
        started = time.monotonic()
        process.stdin.write(b"".join(b'{"title":"b%d"}\n' % i for i in range(BURST)))
        process.stdin.flush()
        pump(2)
        labels = [t for t, member in signals if member == "XAyatanaNewLabel"]
        span = max(labels[-1] - started, 1e-3) if labels else 1
        process.stdin.close()
        process.wait(timeout=30)
        latencies.sort()
        print(json.dumps({
            "p50_ms": statistics.median(latencies),
            "p99_ms": latencies[min(len(latencies) - 1, int(0.99 * len(latencies)))],
            "burst_refreshes": len(labels),
            "burst_seconds": span,
            "refreshes_per_second": len(labels) / span,
        }))
    finally:
        session.close()


if __name__ == "__main__":
    main()
