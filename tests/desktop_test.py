#!/usr/bin/python3
"""The indicator on an X display (Xvfb): the self-test's styled menu on screen, and the
tray item on xfce4-panel over D-Bus (StatusNotifierItem and its exported menu).

Usage: desktop_test.py INDICATOR ARTIFACT_DIR. Screenshots are kept in ARTIFACT_DIR."""
import json
import os
import re
import signal
import subprocess
import threading
import time
import unittest

from gi.repository import Gio, GLib

from harness import DesktopSession, program, wait_for

INDICATOR = os.path.abspath(program())
ARTIFACTS = os.path.abspath(program())
TOOLTIP = "Kestrelwick \u2014 measured input compression"
WATCHER = "org.kde.StatusNotifierWatcher"

# Quotes, spaces and a command substitution that a shell would run.
CONSOLE = "fake://console/a b?q=\"quoted\"&r='$(touch shell-ran)'`touch shell-ran`"


class Indicator:
    """The indicator under test, its stderr collected line by line as it comes."""

    def __init__(self, session, args=(), env=None):
        self.lines = []
        self.process = session.spawn([INDICATOR, *args], env=env or session.env, cwd=session.home, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.stdout = b""
        threading.Thread(target=self._collect, daemon=True).start()

    def _collect(self):
        for line in self.process.stderr:
            self.lines.append(line.decode())

    def send(self, report):
        self.process.stdin.write(json.dumps(report).encode() + b"\n")
        self.process.stdin.flush()

    def logged(self, message):
        return wait_for(lambda: any(line == f"indicator: {message}\n" for line in self.lines), what=message)

    def finish(self, timeout=15):
        """Exit status, once it has ended by itself."""
        status = self.process.wait(timeout=timeout)
        self.stdout = self.process.stdout.read()
        time.sleep(0.1)  # the collector's last lines
        return status


def region_statistics(image, x, y, width, height):
    """Of a region: its mean brightness, and the shares of light (over 75%) and dark
    (under 30%) pixels, each 0 to 1."""
    crop = ["convert", image, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-colorspace", "Gray"]
    def measure(*steps):
        return float(subprocess.run([*crop, *steps, "-format", "%[fx:mean]", "info:"],
                                    check=True, capture_output=True, text=True, timeout=30).stdout)
    return measure(), measure("-threshold", "75%"), measure("-negate", "-threshold", "70%")


def width_of(line):
    return float(re.search(r" width=(\d+\.\d+) ", line).group(1))


class SelfTest(unittest.TestCase):
    def setUp(self):
        self.session = DesktopSession(ARTIFACTS)
        self.addCleanup(self.session.close)

    def test_styled_menu_pops_up_at_the_pointer_and_escape_closes_it(self):
        # The menu opens right and down of the pointer, on a black root window. Its text
        # follows the theme: dark on the light variant, light on the dark one.
        themes = {"Adwaita": lambda mean, light, dark: mean > 0.5 and dark > 0.005,
                  "Adwaita:dark": lambda mean, light, dark: mean < 0.5 and light > 0.005}
        for theme, looks_right in themes.items():
            with self.subTest(theme):
                # No session bus: the tray icon falls back to XEmbed; the self-test does not need it.
                env = dict(self.session.env, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent", GTK_THEME=theme)
                self.session.xdotool("mousemove", "400", "300")
                indicator = Indicator(self.session, ["--selftest"], env=env)
                indicator.logged("selftest opening menu")
                name = f"selftest-menu-{theme.replace(':', '-').lower()}.png"
                wait_for(lambda: looks_right(*region_statistics(self.session.screenshot(name), 405, 305, 300, 150)),
                         what="the menu on screen")
                self.session.xdotool("key", "Escape")
                self.assertEqual(indicator.finish(), 0)
                self.assertEqual(indicator.stdout, b"")
                lines = [re.sub(r" width=\d+\.\d+ ", " width=W ", line) for line in indicator.lines]
                self.assertEqual(lines, [
                    "indicator: status item created\n",
                    "indicator: title=\u2026 width=W sections=0\n",
                    "indicator: title=\u2301 23% width=W sections=2\n",
                    "indicator: selftest opening menu\n",
                    "indicator: selftest menu closed\n",
                ])
                # Pango's widths in the 13-point status font: the sample's title is wider than one ellipsis.
                ellipsis, sample = width_of(indicator.lines[1]), width_of(indicator.lines[2])
                self.assertGreater(ellipsis, 0)
                self.assertGreater(sample, 3 * ellipsis)


class Tray(unittest.TestCase):
    """xfce4-panel with its tray on a private session bus, as a user's XFCE session has."""

    def setUp(self):
        self.session = DesktopSession(ARTIFACTS)
        self.addCleanup(self.session.close)
        home = self.session.home
        with open(os.path.join(home, "handler.sh"), "w") as file:
            # Records its arguments, once per launch, and prints where the indicator must not.
            file.write(f'printf \'%s\\n%s\\n\' "$#" "$1" >> "{home}/handler.out"\n'
                       'echo handler-stdout\necho handler-stderr >&2\n')
        os.makedirs(os.path.join(home, "data/applications"))
        with open(os.path.join(home, "data/applications/fake-handler.desktop"), "w") as file:
            file.write("[Desktop Entry]\nType=Application\nName=Fake handler\nNoDisplay=true\n"
                       f"MimeType=x-scheme-handler/fake;\nExec=sh {home}/handler.sh %u\n")
        with open(os.path.join(home, "config/mimeapps.list"), "w") as file:
            file.write("[Default Applications]\nx-scheme-handler/fake=fake-handler.desktop\n")
        self.bus = Gio.DBusConnection.new_for_address_sync(
            self.session.panel(),
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        self.addCleanup(self.bus.close_sync)
        wait_for(lambda: self.bus_has(WATCHER), timeout=30, what="the panel's StatusNotifierWatcher")

    def call(self, name, path, interface, method, args=None, reply=None):
        return self.bus.call_sync(name, path, interface, method, args,
                                  GLib.VariantType(reply) if reply else None, Gio.DBusCallFlags.NONE, 5000).unpack()

    def bus_has(self, name):
        return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                         GLib.Variant("(s)", (name,)), "(b)")[0]

    def registered_item(self):
        items = self.call(WATCHER, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
                          GLib.Variant("(ss)", (WATCHER, "RegisteredStatusNotifierItems")), "(v)")[0]
        return items[0] if items else None

    def item_properties(self, item):
        name, path = item.split("/", 1)
        return self.call(name, "/" + path, "org.freedesktop.DBus.Properties", "GetAll",
                         GLib.Variant("(s)", ("org.kde.StatusNotifierItem",)), "(a{sv})")[0]

    def menu_layout(self, item):
        """The exported menu's items in order: (label or '---', enabled, has an image) and the ids.
        No item carries a shortcut: none would work from a host's menu."""
        name = item.split("/", 1)[0]
        menu = self.item_properties(item)["Menu"]
        _, (_, _, children) = self.call(name, menu, "com.canonical.dbusmenu", "GetLayout",
                                        GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")
        entries, ids = [], []
        for child_id, properties, _ in children:
            if not properties.get("visible", True):
                continue
            self.assertNotIn("shortcut", properties)
            if properties.get("type") == "separator":
                entries.append(("---", True, False))
            else:
                entries.append((properties.get("label", ""), properties.get("enabled", True), "icon-data" in properties))
            ids.append(child_id)
        return entries, ids

    def click(self, item, menu_id):
        name = item.split("/", 1)[0]
        menu = self.item_properties(item)["Menu"]
        self.call(name, menu, "com.canonical.dbusmenu", "Event",
                  GLib.Variant("(isvu)", (menu_id, "clicked", GLib.Variant("s", ""), 0)))

    def test_item_label_title_and_exported_menu_follow_the_reports(self):
        indicator = Indicator(self.session)
        item = wait_for(self.registered_item, what="the indicator's item")
        properties = wait_for(lambda: (p := self.item_properties(item)).get("XAyatanaLabel") == "\u2026" and p,
                              what="the placeholder label")
        # Hosts without labels show the tooltip: the status leads it.
        self.assertEqual(properties["Title"], "\u2026 \u00b7 " + TOOLTIP)
        self.assertEqual(properties["Status"], "Active")
        self.assertTrue(properties["IconName"].startswith(os.path.join(self.session.home, "runtime", "indicator-")))
        self.assertEqual(self.menu_layout(item)[0], [
            ("no measurement yet", False, False), ("---", True, False), ("Quit indicator", True, False)])

        indicator.send({
            "title": "\u2301 42_%",
            "sections": [{"title": "Now_1", "rows": [
                {"label": "a_b", "bar": "\u2588\u2500", "value": "42%", "detail": "x_y", "tone": "good",
                 "hint": "tip", "emphasis": True},
                {"label": "c", "bar": "\u00b7", "value": "", "detail": ""},
            ]}],
            "console": CONSOLE,
        })
        wait_for(lambda: self.item_properties(item)["Title"] == "\u2301 42_% \u00b7 " + TOOLTIP, what="the new title")
        entries, ids = wait_for(lambda: (layout := self.menu_layout(item))[0][0][0] == "Now__1" and layout,
                                what="the new menu")
        # A host draws its own font: each row's bar is its image, the value leads the text.
        # Every underscore is doubled, so none becomes a mnemonic.
        self.assertEqual(entries, [
            ("Now__1", False, False),
            ("42%  a__b  x__y", True, True),
            ("c", True, True),
            ("---", True, False),
            ("Open Kestrelwick console", True, False),
            ("Quit indicator", True, False),
        ])
        self.session.screenshot("tray-panel.png")

        # The console command, clicked in the panel: the default handler gets the exact text
        # as one argument, once, and its output stays out of the indicator's streams.
        self.click(item, ids[-2])
        recorded = os.path.join(self.session.home, "handler.out")
        wait_for(lambda: os.path.exists(recorded), what="the console handler")
        time.sleep(0.5)
        with open(recorded) as file:
            self.assertEqual(file.read(), "1\n" + CONSOLE + "\n")
        self.assertFalse(os.path.exists(os.path.join(self.session.home, "shell-ran")))

        self.click(item, ids[-1])
        self.assertEqual(indicator.finish(), 0)
        self.assertEqual(indicator.stdout, b"")
        self.assertTrue(all(line.startswith("indicator: ") for line in indicator.lines), indicator.lines)
        # The icons drawn for the panel go with the indicator.
        runtime = os.path.join(self.session.home, "runtime")
        self.assertEqual([name for name in os.listdir(runtime) if name.startswith("indicator-")], [])

    def test_the_title_reads_back_from_the_panel(self):
        # What a person sees: the panel's strip, enlarged, read by OCR (which knows no ⌁).
        indicator = Indicator(self.session)
        item = wait_for(self.registered_item, what="the indicator's item")
        for title in ["23%", "\u2301 23%"]:
            with self.subTest(title):
                indicator.send({"title": title})
                wait_for(lambda: self.item_properties(item)["XAyatanaLabel"] == title, what="the label")

                def reads_back():
                    strip = self.session.screenshot("panel-%s.png" % title.encode("unicode_escape").decode())
                    subprocess.run(["convert", strip, "-crop", "1280x30+0+0", "+repage", "-scale", "400%", strip],
                                   check=True, timeout=30)
                    return "23%" in subprocess.run(["tesseract", strip, "-"], capture_output=True, text=True,
                                                   timeout=60).stdout
                wait_for(reads_back, timeout=20, what="the title read back from the panel")

    def test_signals_take_the_item_down_and_end_it_as_that_signal(self):
        runtime = os.path.join(self.session.home, "runtime")
        for number in [signal.SIGINT, signal.SIGTERM, signal.SIGHUP]:
            with self.subTest(number.name):
                indicator = Indicator(self.session)
                icons = lambda: [name for name in os.listdir(runtime) if name.startswith("indicator-")]
                wait_for(icons, what="its icon folder")
                indicator.process.send_signal(number)
                self.assertEqual(indicator.finish(), -number)
                self.assertEqual(icons(), [])

    def test_installed_indicator_finds_its_module_from_anywhere(self):
        # Installed under a prefix and started through a link from another folder, it still
        # draws with Pango: its widths are the desktop's, not the in-memory status bar's.
        prefix = os.path.join(self.session.home, "prefix")
        subprocess.run(["cmake", "--install", os.path.dirname(INDICATOR), "--prefix", prefix], check=True,
                       capture_output=True, timeout=120)
        elsewhere = os.path.join(self.session.home, "elsewhere")
        os.makedirs(elsewhere)
        os.symlink(os.path.join(prefix, "bin", "indicator"), os.path.join(elsewhere, "indicator"))
        widths = []
        for binary in [INDICATOR, os.path.join(elsewhere, "indicator")]:
            result = subprocess.run([binary], input=b'{"title":"\u2301 23%"}\n', capture_output=True, timeout=60,
                                    cwd="/", env=self.session.env)
            widths.append(result.stderr.decode().splitlines())
        self.assertEqual(widths[1], widths[0])
        self.assertNotIn("width=47.5", widths[1][-1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
