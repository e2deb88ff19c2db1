#!/usr/bin/python3
"""The tray item on the desktop hosts users run, each on an Xvfb display of its own: GNOME
Shell (X11, and nested Wayland), KDE Plasma and XFCE. What a person sees is read back by
OCR from screenshots, which are kept. `make test-hosts`; not part of `make test`.

Usage: hosts_test.py INDICATOR ARTIFACT_DIR [HOST ...]"""
import json
import os
import subprocess
import sys
import time
import unittest

from harness import DesktopSession, program, wait_for

INDICATOR = os.path.abspath(program())
ARTIFACTS = os.path.abspath(program())
BAR = "\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500"
REPORT = {"sections": [{"title": "Now", "rows": [
    {"label": "codex", "bar": BAR, "value": " 22.7%", "tone": "good"},
    {"label": "claude", "bar": "\u00b7" * 10, "value": "", "hint": "no requests yet"}]}]}


def gdbus(env, *args):
    return subprocess.run(["gdbus", "call", "--session", *args], env=env, capture_output=True, text=True,
                          timeout=30).stdout


def watcher_up(env):
    return "RegisteredStatusNotifierItems" in gdbus(
        env, "--dest", "org.kde.StatusNotifierWatcher", "--object-path", "/StatusNotifierWatcher",
        "--method", "org.freedesktop.DBus.Introspectable.Introspect")


def start_xfce(session):
    session.panel()


def start_plasma(session):
    session.env.update(XDG_CURRENT_DESKTOP="KDE", KDE_FULL_SESSION="true", QT_QPA_PLATFORM="xcb")
    session.env["DBUS_SESSION_BUS_ADDRESS"] = session.bus()
    session.spawn(["kded5"])
    # kded5 loads the watcher at login; a session started by hand asks for it.
    wait_for(lambda: "true" in gdbus(session.env, "--dest", "org.kde.kded5", "--object-path", "/kded", "--method",
                                     "org.kde.kded5.loadModule", "statusnotifierwatcher"), timeout=60,
             what="kded5's watcher")
    session.spawn(["plasmashell"])


def start_gnome(session, wayland=False):
    env = session.env
    env.update(XDG_CURRENT_DESKTOP="GNOME", LIBGL_ALWAYS_SOFTWARE="1")
    del env["GSETTINGS_BACKEND"]
    env["DBUS_SESSION_BUS_ADDRESS"] = session.bus()
    # logind is asked for on the system bus; an empty private one answers.
    env["DBUS_SYSTEM_BUS_ADDRESS"] = session.bus()
    for key, value in [("enabled-extensions", "['ubuntu-appindicators@ubuntu.com']"),
                       ("disable-user-extensions", "false")]:
        subprocess.run(["gsettings", "set", "org.gnome.shell", key, value], env=env, check=True, timeout=30)
    if wayland:
        session.spawn(["gnome-shell", "--wayland", "--nested"])
        socket = os.path.join(session.home, "runtime", "wayland-0")
        wait_for(lambda: os.path.exists(socket), timeout=60, what="the nested compositor")
    else:
        session.spawn(["gnome-shell", "--x11", "--replace"])
    wait_for(lambda: watcher_up(env), timeout=90, what="the AppIndicator extension's watcher")
    time.sleep(3)  # it starts in the overview
    session.xdotool("key", "Escape")


# Each host: how it starts, where its panel is (top and height in pixels) and where the
# menu drops (the band above or below the panel).
HOSTS = {"xfce": (start_xfce, (0, 30), (30, 300)), "plasma": (start_plasma, (756, 44), (456, 300)),
         "gnome-x11": (start_gnome, (0, 32), (32, 300))}


def words(image, band):
    """The words OCR reads off a band of the image (top, height), each with the centre of its
    box: the band enlarged two ways, as a page and as sparse text, for OCR misses some of
    either."""
    scaled, found = image + ".ocr.png", []
    for scale, steps, mode in [(4, ["-scale", "400%"], "3"), (3, ["-colorspace", "Gray", "-resize", "300%",
                                                                  "-normalize"], "11")]:
        subprocess.run(["convert", image, "-crop", "1280x%d+0+%d" % (band[1], band[0]), "+repage", *steps, scaled],
                       check=True, timeout=30)
        tsv = subprocess.run(["tesseract", scaled, "-", "--psm", mode, "tsv"], capture_output=True, text=True,
                             timeout=120).stdout
        for line in tsv.splitlines()[1:]:
            fields = line.split("\t")
            if len(fields) == 12 and fields[11].strip():
                left, top, width, height = map(int, fields[6:10])
                found.append((fields[11].strip(), ((left + width / 2) / scale, band[0] + (top + height / 2) / scale)))
    os.remove(scaled)
    return found


class Host(unittest.TestCase):
    def run_on(self, host):
        session = DesktopSession(os.path.join(ARTIFACTS, host))
        self.addCleanup(session.close)
        start, panel, menu_band = HOSTS[host]
        start(session)
        wait_for(lambda: watcher_up(session.env), timeout=60, what="a StatusNotifierWatcher")
        indicator = session.spawn([INDICATOR], stdin=subprocess.PIPE, cwd=session.home)
        self.addCleanup(lambda: indicator.stdin.close())

        def send(report):
            indicator.stdin.write(json.dumps(report).encode() + b"\n")
            indicator.stdin.flush()

        where = None
        for title in ["\u2301 23%", "23%"]:
            with self.subTest(title):
                send(dict(REPORT, title=title))
                name = "panel-%s.png" % title.encode("ascii", "backslashreplace").decode()
                seen = lambda: [at for word, at in words(session.screenshot(name), panel) if word.endswith("23%")]
                where = wait_for(seen, timeout=60, what=f"{title} read back from the panel")[0]

        # The host's own menu, opened from the title: the rows read back beside their bars.
        session.xdotool("mousemove", str(round(where[0])), str(round(where[1])))
        session.xdotool("click", "1")
        menu = lambda: {word for word, _ in words(session.screenshot("menu.png"), menu_band)} >= {"22.7%", "codex",
                                                                                                  "claude"}
        wait_for(menu, timeout=30, what="the menu's rows")
        session.xdotool("key", "Escape")

    def test_xfce(self):
        self.run_on("xfce")

    def test_plasma(self):
        self.run_on("plasma")

    def test_gnome_x11(self):
        self.run_on("gnome-x11")

    def test_an_indicator_started_before_the_panel_shows_once_the_panel_is_up(self):
        # As at a login where the indicator is quicker than the panel: fresh home, empty caches.
        session = DesktopSession(os.path.join(ARTIFACTS, "late-panel"))
        self.addCleanup(session.close)
        session.env["DBUS_SESSION_BUS_ADDRESS"] = session.bus()
        indicator = session.spawn([INDICATOR], stdin=subprocess.PIPE, cwd=session.home)
        self.addCleanup(lambda: indicator.stdin.close())
        time.sleep(3)
        session.panel(bus=session.env["DBUS_SESSION_BUS_ADDRESS"])
        registered = lambda: "kestrelwick" in gdbus(
            session.env, "--dest", "org.kde.StatusNotifierWatcher", "--object-path", "/StatusNotifierWatcher",
            "--method", "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
            "RegisteredStatusNotifierItems")
        wait_for(registered, timeout=30, what="the item registered with the late panel")

    def test_gnome_wayland_selftest_closes_with_escape(self):
        session = DesktopSession(os.path.join(ARTIFACTS, "gnome-wayland"))
        self.addCleanup(session.close)
        start_gnome(session, wayland=True)
        env = dict(session.env, WAYLAND_DISPLAY="wayland-0", XDG_SESSION_TYPE="wayland")
        del env["DISPLAY"]  # the Xvfb below, not the nested session's
        indicator = session.spawn([INDICATOR, "--selftest"], env=env, stderr=subprocess.PIPE, cwd=session.home)
        self.assertEqual(indicator.stderr.readline(), b"indicator: status item created\n")
        for _ in range(3):
            line = indicator.stderr.readline()
        self.assertEqual(line, b"indicator: selftest opening menu\n")
        time.sleep(2)
        session.screenshot("selftest-menu.png")
        session.xdotool("key", "Escape")
        self.assertEqual(indicator.stderr.readline(), b"indicator: selftest menu closed\n")
        self.assertEqual(indicator.wait(timeout=30), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
