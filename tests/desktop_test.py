#!/usr/bin/python3
"""The indicator on X displays of its own (Xvfb): the self-test's styled menu on screen; the
tray item on xfce4-panel over D-Bus (StatusNotifierItem and its exported menu); and on the
desktop hosts users run (XFCE, KDE Plasma, GNOME Shell on X11 and nested Wayland) what a
person sees, read back by OCR. `make test` runs the XFCE host, `make test-hosts` them all.

Usage: desktop_test.py INDICATOR ARTIFACT_DIR [TEST ...]. Screenshots are kept in ARTIFACT_DIR."""
import json
import os
import pathlib
import re
import shutil
import signal
import struct
import subprocess
import threading
import unittest

from gi.repository import Gio, GLib

from harness import DesktopSession, holds_for, memory_mib, program, sanitized, wait_for

INDICATOR = os.path.abspath(program())
ARTIFACTS = os.path.abspath(program())
TOOLTIP = "Kestrelwick \u2014 measured input compression"
WATCHER = "org.kde.StatusNotifierWatcher"
BUS = ("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus")
NO_TRAY = "no desktop tray: no StatusNotifierItem host or system tray has taken the item; nothing is shown on screen"

# Quotes, spaces and a command substitution that a shell would run.
CONSOLE = "fake://console/a b?q=\"quoted\"&r='$(touch shell-ran)'`touch shell-ran`"


class Indicator:
    """The indicator under test, its stderr collected line by line as it comes."""

    def __init__(self, session, args=(), env=None):
        self.lines = []
        self.process = session.spawn([INDICATOR, *args], env=env or session.env, cwd=session.home, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.stdout = b""
        collect = lambda: self.lines.extend(line.decode() for line in self.process.stderr)
        self.collector = threading.Thread(target=collect, daemon=True)
        self.collector.start()

    def send(self, report):
        self.process.stdin.write(json.dumps(report).encode() + b"\n")
        self.process.stdin.flush()

    def logged(self, message):
        return wait_for(lambda: f"indicator: {message}\n" in self.lines, what=message)

    def finish(self, timeout=15):
        """Exit status, once it has ended by itself and its standard error is read to the end."""
        status = self.process.wait(timeout=timeout)
        self.stdout = self.process.stdout.read()
        wait_for(lambda: not self.collector.is_alive(), what="the end of its standard error")
        return status


class Bus:
    """A session bus, called over as a host does: the watcher, the item, its exported menu."""

    def __init__(self, address):
        self.connection = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)

    def call(self, name, path, interface, method, args=None, reply=None):
        """The reply, unpacked; None while nobody answers."""
        try:
            return self.connection.call_sync(name, path, interface, method, args, GLib.VariantType(reply) if reply
                                             else None, Gio.DBusCallFlags.NONE, 5000).unpack()
        except GLib.Error:
            return None

    def watcher_up(self):
        return self.call(*BUS, "NameHasOwner", GLib.Variant("(s)", (WATCHER,)), "(b)") == (True,)

    def own(self, name, owned=True):
        """Takes name, or gives it up."""
        self.call(*BUS, "RequestName", GLib.Variant("(su)", (name, 0))) if owned else self.call(
            *BUS, "ReleaseName", GLib.Variant("(s)", (name,)))

    def registered_item(self):
        items = self.call(WATCHER, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
                          GLib.Variant("(ss)", (WATCHER, "RegisteredStatusNotifierItems")), "(v)")
        return items[0][0] if items and items[0] else None

    @staticmethod
    def item_address(item):
        """An item as the watcher lists it, "name/path" or GNOME's "name@/path": name and path."""
        return re.fullmatch(r"([^/@]+)@?(/.*)", item).groups()

    def item_properties(self, item):
        name, path = self.item_address(item)
        return self.call(name, path, "org.freedesktop.DBus.Properties", "GetAll",
                         GLib.Variant("(s)", ("org.kde.StatusNotifierItem",)), "(a{sv})")[0]

    def menu(self, item, method, args, reply=None):
        return self.call(self.item_address(item)[0], self.item_properties(item)["Menu"], "com.canonical.dbusmenu",
                         method, args, reply)


# What a screen reader finds in the indicator's menus over AT-SPI: each menu item's name, a line each.
SPOKEN_MENU_ITEMS = """
import pyatspi
def walk(node):
    if node.getRoleName() == "menu item":
        print(node.name)
    for child in node:
        walk(child)
for application in pyatspi.Registry.getDesktop(0):
    if application is not None and application.name == "indicator":
        walk(application)
"""


def serve(address, name, path, interface, answer=None):
    """An object at path, owned by name on the bus at address, whose one interface (XML)
    answers every call with answer, served on a thread of its own: the connection, kept while
    it serves, and the arguments of each call so far."""
    bus, calls = Bus(address), []
    def called(*call):
        calls.append(call[-2].unpack())
        call[-1].return_value(answer)
    interface = Gio.DBusNodeInfo.new_for_xml(f"<node>{interface}</node>").interfaces[0]
    bus.connection.register_object(path, interface, called, None, None)
    bus.own(name)
    threading.Thread(target=GLib.MainLoop().run, daemon=True).start()
    return bus, calls


def region_statistics(image, x, y, width, height):
    """Of a region: its mean brightness, and the shares of light (over 75%) and dark
    (under 30%) pixels, each 0 to 1."""
    crop = ["convert", image, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-colorspace", "Gray"]
    def measure(*steps):
        return float(subprocess.run([*crop, *steps, "-format", "%[fx:mean]", "info:"],
                                    check=True, capture_output=True, text=True, timeout=30).stdout)
    return measure(), measure("-threshold", "75%"), measure("-negate", "-threshold", "70%")


class SelfTest(unittest.TestCase):
    def test_styled_menu_pops_up_at_the_pointer_and_escape_closes_it(self):
        session = DesktopSession(ARTIFACTS)
        self.addCleanup(session.close)
        # A display with no tray at all is said once.
        indicator = Indicator(session, env=dict(session.env, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"))
        indicator.logged(NO_TRAY)
        # The first GTK program on this display: no OpenGL (Mesa, LLVM) is loaded to pick visuals.
        self.assertLess(memory_mib(indicator.process.pid), (1 << 20) if sanitized(INDICATOR) else 50)
        indicator.process.stdin.close()
        self.assertEqual((indicator.finish(), len(indicator.lines)), (0, 3))
        # The menu opens right and down of the pointer, on a black root window. Its text
        # follows the theme: dark on the light variant, light on the dark one.
        # Escape closes it, and so does the Ctrl+Q it shows.
        # With no theme named, the variant the desktop's settings portal prefers. A screen
        # reader on that session bus hears the rows' meaning.
        looks_light = lambda mean, light, dark: mean > 0.5 and dark > 0.005
        looks_dark = lambda mean, light, dark: mean < 0.5 and light > 0.005
        desktop = {"DBUS_SESSION_BUS_ADDRESS": session.bus(), "NO_AT_BRIDGE": "0"}
        # KDE's Breeze Dark as GTK's own settings say it, where the portal has no preference.
        kde = {"DBUS_SESSION_BUS_ADDRESS": session.bus(), "XDG_CONFIG_HOME": os.path.join(session.home, "kde")}
        os.makedirs(os.path.join(kde["XDG_CONFIG_HOME"], "gtk-3.0"))
        pathlib.Path(kde["XDG_CONFIG_HOME"], "gtk-3.0/settings.ini").write_text("[Settings]\ngtk-application-prefer-dark-theme=1\n")
        # The desktop's settings portal, whose color-scheme prefers dark (1) or nothing (0).
        for address, scheme in [(desktop["DBUS_SESSION_BUS_ADDRESS"], 1), (kde["DBUS_SESSION_BUS_ADDRESS"], 0)]:
            portal, _ = serve(address, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                              '<interface name="org.freedesktop.portal.Settings"><method name="Read"><arg type="s" '
                              'direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>'
                              '</interface>', GLib.Variant("(v)", (GLib.Variant("v", GLib.Variant("u", scheme)),)))
            self.addCleanup(portal.connection.close_sync)
        session.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env={**session.env, **desktop})
        themes = {"Adwaita": (looks_light, "Escape", {"GTK_THEME": "Adwaita"}),
                  "Adwaita:dark": (looks_dark, "ctrl+q", {"GTK_THEME": "Adwaita:dark"}),
                  "portal": (looks_dark, "Escape", desktop), "breeze-dark": (looks_dark, "Escape", kde)}
        for theme, (looks_right, key, settings) in themes.items():
            with self.subTest(theme):
                # No session bus: the tray icon falls back to XEmbed; the self-test does not need it.
                env = {**session.env, "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent", **settings}
                session.xdotool("mousemove", "400", "300")
                indicator = Indicator(session, ["--selftest"], env=env)
                indicator.logged("selftest opening menu")
                name = f"selftest-menu-{theme.replace(':', '-').lower()}.png"
                wait_for(lambda: looks_right(*region_statistics(session.screenshot(name), 405, 305, 300, 150)),
                         what="the menu on screen")
                if settings is desktop:
                    self.assertIn("codex, 22.7%, 91.2K sent, blue bar 20% full", subprocess.run(
                        ["/usr/bin/python3", "-c", SPOKEN_MENU_ITEMS], env=env, capture_output=True, text=True,
                        timeout=60).stdout.splitlines())
                session.xdotool("key", key)
                self.assertEqual((indicator.finish(), indicator.stdout), (0, b""))
                self.assertEqual([line for line in indicator.lines[3:] if NO_TRAY not in line], [
                    "indicator: selftest opening menu\n", "indicator: selftest menu closed\n"])
                # Pango's widths in the 13-point status font: the sample's title is wider than one ellipsis.
                ellipsis, sample = (float(re.search(r"^indicator: title=.* width=(\d+\.\d+) sections=\d$", line)[1])
                                    for line in indicator.lines[1:3])
                self.assertGreater(sample, 3 * ellipsis)
                self.assertGreater(ellipsis, 0)


class Tray(unittest.TestCase):
    """xfce4-panel with its tray on a private session bus, as a user's XFCE session has."""

    def setUp(self):
        self.session = DesktopSession(ARTIFACTS)
        self.addCleanup(self.session.close)
        # fake: addresses go to tests/data/bin/indicator-fake-handler.
        data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")
        self.session.env.update(PATH=f"{data}/bin:" + self.session.env["PATH"], XDG_CONFIG_DIRS=f"{data}/xdg",
                                XDG_CURRENT_DESKTOP="KDE",
                                XDG_DATA_DIRS=f"{data}/xdg:/usr/share")
        self.bus = Bus(self.session.panel())
        self.addCleanup(self.bus.connection.close_sync)
        wait_for(self.bus.watcher_up, timeout=30, what="the panel's StatusNotifierWatcher")

    def icons(self):
        """The icon files the indicator drew for the panel."""
        return [name for name in os.listdir(os.path.join(self.session.home, "runtime")) if name.startswith("indicator-")]

    def exported_menu(self, item):
        """The exported menu's items in order: (label or '---', enabled, has an image), the ids
        and the properties. No item carries a shortcut: none would work from a host's menu."""
        _, (_, _, children) = self.bus.menu(item, "GetLayout", GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")
        entries, ids, properties = [], [], []
        for child_id, child, _ in children:
            if child.get("visible", True):
                self.assertNotIn("shortcut", child)
                separator = child.get("type") == "separator"
                entries.append(("---", True, False) if separator else (
                    child.get("label", ""), child.get("enabled", True), "icon-data" in child))
                ids.append(child_id)
                properties.append(child)
        return entries, ids, properties

    def click(self, item, menu_id):
        self.bus.menu(item, "Event", GLib.Variant("(isvu)", (menu_id, "clicked", GLib.Variant("s", ""), 0)))

    def test_item_label_title_and_exported_menu_follow_the_reports(self):
        # Icon folders left by a process long gone go as the next indicator starts; a running one's stay.
        kept, gone = (os.path.join(self.session.home, "runtime", f"indicator-{pid}-x") for pid in [os.getpid(), 2**31 - 1])
        for folder in [kept, gone]:
            os.makedirs(folder), pathlib.Path(folder, "title-1.png").touch()
        indicator = Indicator(self.session)
        item = wait_for(self.bus.registered_item, what="the indicator's item")
        self.assertFalse(os.path.exists(gone))
        properties = wait_for(lambda: (p := self.bus.item_properties(item)).get("XAyatanaLabel") == "\u2026" and p,
                              what="the placeholder label")
        # Hosts without labels show the tooltip: the status leads it.
        self.assertEqual((properties["Title"], properties["Status"]), ("\u2026 \u00b7 " + TOOLTIP, "Active"))
        self.assertTrue(properties["IconName"].startswith(os.path.join(self.session.home, "runtime", "indicator-")))
        self.assertEqual(self.exported_menu(item)[0], [
            ("no measurement yet", False, False), ("---", True, False), ("Quit indicator", True, False)])

        report = {"title": "\u2301 42_%", "sections": [{"title": "Now_1", "rows": [
            {"label": "a_b", "bar": "\u2588\u2500", "value": "42%", "detail": "x_y", "tone": "good", "hint": "tip",
             "emphasis": True},
            {"label": "c", "bar": "\u00b7", "value": "", "detail": ""}]}], "console": CONSOLE}
        indicator.send(report)
        wait_for(lambda: self.bus.item_properties(item)["Title"] == "\u2301 42_% \u00b7 " + TOOLTIP, what="the title")
        # A host draws its own font: each row's bar is its image (set as the loop is idle), the
        # value leads the text, lined up in figure spaces. Every underscore is doubled, so none
        # becomes a mnemonic. A screen reader says what the row means.
        new_menu = [("Now__1", False, False), ("42%  a__b  x__y", True, True), ("\u2007\u2007\u2007  c", True, True),
                    ("---", True, False), ("Open Kestrelwick console", True, False), ("Quit indicator", True, False)]
        entries, _, properties = wait_for(lambda: (layout := self.exported_menu(item))[0] == new_menu and layout,
                                          what="the new menu")
        self.assertEqual(properties[1]["accessible-desc"], "a_b, 42%, x_y, blue bar 50% full, tip")
        self.session.screenshot("tray-panel.png")
        # A long title keeps two lines in the icon, not much smaller than a short title's two.
        icon = lambda: pathlib.Path(self.bus.item_properties(item)["IconName"]).read_bytes()[16:24]
        short = struct.unpack(">II", wait_for(icon, what="the icon"))
        indicator.send(dict(report, title="w" * 120))
        self.assertLessEqual(struct.unpack(">II", wait_for(lambda: (size := icon()) != bytes(struct.pack(">II", *short)) and
                                                                    size, what="the long title's icon"))[0], short[0] * 3 / 2)

        # A host that says when it opens and closes its menu (Plasma, as here) keeps an open
        # menu's shape; the title changes at once. Closed, the menu takes the latest report:
        # taller than the screen, whole, as Plasma scrolls it. A report of the same shape then
        # updates the open menu in place. (XFCE, which only asks, and folding: the host test.)
        tall = lambda name: {"title": name, "console": CONSOLE, "sections": [
            {"title": f"{name}{section}", "rows": [{"label": "r", "bar": BAR, "value": "1%"}] * 8} for section in range(3)]}
        self.bus.menu(item, "AboutToShow", GLib.Variant("(i)", (0,)), "(b)")  # answered once handled; events are not
        indicator.send(tall("S"))
        wait_for(lambda: self.bus.item_properties(item)["XAyatanaLabel"] == "S", what="the title")
        holds_for(lambda: self.exported_menu(item)[0] == entries, 0.5, "the exported menu as it was")
        self.bus.menu(item, "Event", GLib.Variant("(isvu)", (0, "closed", GLib.Variant("s", ""), 0)))
        _, ids, properties = wait_for(lambda: (layout := self.exported_menu(item))[0][0][0] == "S0" and layout,
                                      what="the tall menu")
        self.assertEqual([p.get("children-display") for p in properties], [None] * (3 * 10 + 2))
        indicator.send(tall("T"))
        self.assertEqual(wait_for(lambda: (layout := self.exported_menu(item))[0][0][0] == "T0" and layout,
                                  what="the menu updated")[1], ids)
        # The console command, clicked in the panel: the default handler gets the exact text
        # as one argument, once, and its output stays out of the indicator's streams.
        self.click(item, ids[-2])
        recorded = pathlib.Path(self.session.home, "handler.out")
        handled = lambda: recorded.exists() and recorded.read_text()
        wait_for(handled, what="the console handler")
        holds_for(lambda: handled() == "1\n" + CONSOLE + "\n", 0.5, "one launch, given the exact text")
        self.assertFalse(os.path.exists(os.path.join(self.session.home, "shell-ran")))

        self.click(item, ids[-1])
        self.assertEqual((indicator.finish(), indicator.stdout), (0, b""))
        self.assertTrue(all(line.startswith("indicator: ") for line in indicator.lines), indicator.lines)
        self.assertEqual(self.icons(), [os.path.basename(kept)])  # the icons drawn for the panel go with the indicator

    def test_a_signal_takes_the_item_down_while_nobody_reads_standard_error(self):
        # (Each ending signal's exit status: the process test, headless.) Far more log than
        # the pipe holds: the reports are still shown and the menu answers meanwhile.
        reader, writer = os.pipe()
        self.addCleanup(os.close, reader)
        process = self.session.spawn([INDICATOR], cwd=self.session.home, stdin=subprocess.PIPE, stderr=writer)
        os.close(writer)
        item = wait_for(self.bus.registered_item, what="the indicator's item")
        # The last has 20,000 rows: what a menu cannot usefully show is summed up, and Quit stays in reach.
        rows = {"title": "4999", "sections": [{"title": "S", "rows": [{"label": "r", "bar": "#", "value": "1"}] * 20_000}]}
        process.stdin.write(b"".join(b'{"title":"%d"}\n' % i for i in range(4999)) + json.dumps(rows).encode() + b"\n")
        process.stdin.flush()
        wait_for(lambda: self.bus.item_properties(item).get("XAyatanaLabel") == "4999", what="the last title")
        self.assertEqual(wait_for(lambda: (menu := self.exported_menu(item)[0])[0][0] == "S" and menu, what="the rows")[-3:],
                         [("\u2026 19,900 more rows", False, False), ("---", True, False), ("Quit indicator", True, False)])
        process.send_signal(signal.SIGTERM)
        self.assertEqual(process.wait(timeout=15), -signal.SIGTERM)
        self.assertEqual(self.icons(), [])


# Each host's start: the environment its clients run in, where it is not the session's.
def start_xfce(session):
    session.panel()


def wayland_client(session):
    env = dict(session.env, WAYLAND_DISPLAY="wayland-0", XDG_SESSION_TYPE="wayland")
    del env["DISPLAY"]  # the Xvfb below, not the nested session's
    return env


def start_plasma(session, wayland=False):
    session.env.update(XDG_CURRENT_DESKTOP="KDE", KDE_FULL_SESSION="true", QT_QPA_PLATFORM="xcb",
                       DBUS_SESSION_BUS_ADDRESS=session.bus())
    if wayland:
        # KWin nested in the Xvfb; a copy, without the file capability a container refuses.
        kwin = shutil.copy("/usr/bin/kwin_wayland", session.home)
        session.spawn([kwin, "--x11-display", session.display, "--socket", "wayland-0", "--width", "1280", "--height",
                       "800"])
        wait_for(lambda: os.path.exists(os.path.join(session.home, "runtime", "wayland-0")), timeout=60, what="KWin")
        session.env.update(WAYLAND_DISPLAY="wayland-0", QT_QPA_PLATFORM="wayland")
    session.spawn(["kded5"])
    # kded5 loads the watcher at login; a session started by hand asks for it.
    bus = Bus(session.env["DBUS_SESSION_BUS_ADDRESS"])
    wait_for(lambda: bus.call("org.kde.kded5", "/kded", "org.kde.kded5", "loadModule",
                              GLib.Variant("(s)", ("statusnotifierwatcher",)), "(b)"), timeout=60, what="kded5's watcher")
    session.spawn(["plasmashell"])
    bus.connection.close_sync()
    # Up once its desktop is drawn: until then, starting, it takes the keyboard from windows.
    wait_for(lambda: region_statistics(session.screenshot("desktop.png"), 0, 0, 1280, 700)[0] > 0.1, timeout=90,
             what="Plasma's desktop")
    return wayland_client(session) if wayland else None


def start_gnome(session, wayland=False):
    env = session.env
    del env["GSETTINGS_BACKEND"]
    # logind is asked for on the system bus; an empty private one answers.
    env.update(XDG_CURRENT_DESKTOP="GNOME", LIBGL_ALWAYS_SOFTWARE="1", DBUS_SESSION_BUS_ADDRESS=session.bus(),
               DBUS_SYSTEM_BUS_ADDRESS=session.bus())
    for key, value in [("enabled-extensions", "['ubuntu-appindicators@ubuntu.com']"),
                       ("disable-user-extensions", "false")]:
        subprocess.run(["gsettings", "set", "org.gnome.shell", key, value], env=env, check=True, timeout=30)
    if wayland:
        session.spawn(["gnome-shell", "--wayland", "--nested"], env=dict(env, MUTTER_DEBUG_DUMMY_MODE_SPECS="1280x800"))
        socket = os.path.join(session.home, "runtime", "wayland-0")
        wait_for(lambda: os.path.exists(socket), timeout=60, what="the nested compositor")
    else:
        session.spawn(["gnome-shell", "--x11", "--replace"])
    bus = Bus(env["DBUS_SESSION_BUS_ADDRESS"])
    wait_for(bus.watcher_up, timeout=90, what="the AppIndicator extension's watcher")
    overview = lambda: bus.call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
                                GLib.Variant("(ss)", ("org.gnome.Shell", "OverviewActive")), "(v)")
    wait_for(lambda: overview() == (True,), timeout=60, what="the overview it starts in")
    def escaped():
        # Pressed until the overview closes: keys pressed as it opens, before it has the keyboard, go nowhere.
        session.xdotool("key", "Escape")
        return overview() == (False,)
    wait_for(escaped, what="the overview closed by Escape")
    bus.connection.close_sync()
    return wayland_client(session) if wayland else None


# Each host: how it starts, where its panel is (top and height in pixels) and where the
# menu drops (the band above or below the panel).
HOSTS = {"xfce": (start_xfce, (0, 30), (30, 300)), "plasma": (start_plasma, (756, 44), (456, 300)),
         "gnome-x11": (start_gnome, (0, 32), (32, 300)),
         "plasma-wayland": (lambda session: start_plasma(session, wayland=True), (756, 44), (456, 300)),
         "gnome-wayland": (lambda session: start_gnome(session, wayland=True), (0, 32), (32, 300))}
BAR = "\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500"
REPORT = {"sections": [{"title": "Now", "rows": [
    {"label": "codex", "bar": BAR, "value": " 22.7%", "tone": "good"},
    {"label": "claude", "bar": "\u00b7" * 10, "value": "", "hint": "no requests yet"}]}]}


def words(image, band):
    """The words OCR reads off a band of the image (top, height), each with the centre of its
    box, its left edge and its height: the band enlarged three ways, as a page and as sparse
    text, for OCR misses some of each."""
    scaled, found = image + ".ocr.png", []
    for scale, steps, mode in [(4, ["-scale", "400%"], "3"), (3, ["-colorspace", "Gray", "-resize", "300%",
                                                                  "-normalize"], "11"),
                               (4, ["-colorspace", "Gray", "-resize", "400%", "-threshold", "50%"], "3")]:
        subprocess.run(["convert", image, "-crop", "1280x%d+0+%d" % (band[1], band[0]), "+repage", *steps, scaled],
                       check=True, timeout=30)
        tsv = subprocess.run(["tesseract", scaled, "-", "--psm", mode, "tsv"], capture_output=True, text=True,
                             timeout=120).stdout
        for line in tsv.splitlines()[1:]:
            fields = line.split("\t")
            if len(fields) == 12 and fields[11].strip():
                left, top, width, height = map(int, fields[6:10])
                found.append((fields[11].strip(), ((left + width / 2) / scale, band[0] + (top + height / 2) / scale),
                              left / scale, height / scale))
    os.remove(scaled)
    return found


def pie_fill(image, y):
    """How full the pie drawn in the row at height y is: of the bluish pixels around the fully
    toned ones, the share that is fully toned."""
    text = subprocess.run(["convert", image, "-crop", f"1280x18+0+{round(y) - 9}", "+repage", "-depth", "8", "txt:-"],
                          check=True, capture_output=True, text=True, timeout=30).stdout.splitlines()[1:]
    row = [(int(line.split(",")[0]), *map(int, line.split("(")[1].split(")")[0].split(",")[:3])) for line in text]
    toned = [x for x, red, _, blue in row if blue - red >= 40 and blue > 150 and red < 100]
    around = [x for x, red, _, blue in row if min(toned) - 10 <= x <= max(toned) + 10 and blue - red >= 40]
    return len(toned) / len(around)


class Hosts(unittest.TestCase):
    def session(self, name):
        session = DesktopSession(os.path.join(ARTIFACTS, name))
        self.addCleanup(session.close)
        return session

    def run_on(self, host):
        session = self.session(host)
        start, panel, menu_band = HOSTS[host]
        indicator = Indicator(session, env=start(session))
        where = None
        for title in ["\u2301 23%", "23%"]:
            with self.subTest(title):
                indicator.send(dict(REPORT, title=title))
                name = "panel-%s.png" % title.encode("ascii", "backslashreplace").decode()
                seen = lambda: [(at, height) for word, at, _, height in words(session.screenshot(name), panel)
                                if word.endswith("23%")]
                where, height = wait_for(seen, timeout=60, what=f"{title} read back from the panel")[0]
        self.assertGreaterEqual(height, 9)  # the icon's text uses its height

        # The host's own menu, opened from the title: the rows read back beside their bars, the
        # labels of the section starting together. A larger report while it is open leaves
        # what it shows readable, also after one of the shape it shows went in place.
        session.xdotool("mousemove", str(round(where[0])), str(round(where[1])))
        session.xdotool("click", "1")
        found = lambda name: {word: (left, at[1]) for word, at, left, _ in words(session.screenshot(name), menu_band)}
        menu = wait_for(lambda: (seen := found("menu.png")).keys() >= {"22.7%", "codex", "claude"} and seen,
                        timeout=30, what="the menu's rows")
        self.assertLess(abs(menu["codex"][0] - menu["claude"][0]), 4)
        # The bar's fill (two tenths) is read off its pie within a tenth.
        self.assertAlmostEqual(pie_fill(os.path.join(session.artifacts, "menu.png"), menu["codex"][1]), 0.2, delta=0.1)
        larger = {"title": "23%", "sections": [
            {"title": f"S{section}", "rows": [{"label": "r", "bar": BAR, "value": "1%"}] * 8} for section in range(3)]}
        for report in [larger, dict(REPORT, title="23%"), larger]:
            shown = len(indicator.lines)
            indicator.send(report)
            wait_for(lambda: len(indicator.lines) > shown, what="the report shown")
            holds_for(lambda: found("menu-open.png").keys() >= {"22.7%", "codex", "claude"}, 1, "the open menu's rows")
        session.xdotool("key", "Escape")

        # Closed, whether or not the host says so, the menu takes the latest report: taller
        # than the screen, each section is a submenu, and Quit is in reach; Plasma scrolls it
        # whole, from the screen's top, to its end.
        bus = Bus(session.env["DBUS_SESSION_BUS_ADDRESS"])
        self.addCleanup(bus.connection.close_sync)
        item = bus.registered_item()
        layout = lambda: bus.menu(item, "GetLayout", GLib.Variant("(iias)", (0, 1, [])), "(u(ia{sv}av))")[1][2]
        wait_for(lambda: layout()[0][1].get("label") == "S0", timeout=30, what="the folded menu")
        session.xdotool("mousemove", str(round(where[0])), str(round(where[1])))
        session.xdotool("click", "1")
        if host.startswith("plasma"):
            session.xdotool("mousemove", str(round(where[0])), str(round(where[1] - 100)))  # over the menu
            session.xdotool("click", "--repeat", "60", "--delay", "30", "5")
            menu_band = (0, 800)
        tall = lambda: {word: at for word, at, *_ in words(session.screenshot("menu-tall.png"), menu_band)}
        quit_at = wait_for(lambda: tall().get("Quit"), timeout=30, what="Quit in the tall report's menu")
        session.xdotool("mousemove", str(round(quit_at[0])), str(round(quit_at[1])))
        session.xdotool("click", "1")
        self.assertEqual(indicator.finish(), 0)

    def test_an_indicator_started_before_the_panel_shows_once_the_panel_is_up(self):
        # As at a login where the indicator is quicker than the panel: fresh home, empty caches.
        session = self.session("late-panel")
        session.env["DBUS_SESSION_BUS_ADDRESS"] = session.bus()
        # The panel comes only once the indicator has given up waiting for a tray; that it
        # shows the item is said too.
        indicator = Indicator(session)
        indicator.logged(NO_TRAY)
        bus = Bus(session.panel(bus=session.env["DBUS_SESSION_BUS_ADDRESS"]))
        self.addCleanup(bus.connection.close_sync)
        wait_for(bus.registered_item, timeout=30, what="the item registered with the late panel")
        indicator.logged("desktop tray: a StatusNotifierItem host has taken the item; it is shown again")

    def test_a_watcher_back_at_once_leaves_the_item_shown_once(self):
        # The panel's tray embeds X icons; the test's own watcher, on a bus of the indicator's,
        # goes and comes back at once, as a restarting panel's may.
        session = self.session("watcher-back")
        wait_for(Bus(session.panel()).watcher_up, timeout=30, what="the panel")
        session.env["DBUS_SESSION_BUS_ADDRESS"] = session.bus()
        watcher, calls = serve(session.env["DBUS_SESSION_BUS_ADDRESS"], WATCHER, "/StatusNotifierWatcher",
                               f'<interface name="{WATCHER}"><method name="RegisterStatusNotifierItem">'
                               '<arg type="s" direction="in"/></method></interface>')
        Indicator(session).send(dict(REPORT, title="23%"))
        wait_for(lambda: calls, what="the item registered")
        watcher.own(WATCHER, False), watcher.own(WATCHER)
        wait_for(lambda: len(calls) == 2, what="the item registered again")
        # Past the moment an XEmbed icon would be made.
        holds_for(lambda: "23%" not in [word for word, *_ in words(session.screenshot("panel.png"), (0, 30))], 1,
                  "no XEmbed icon in the panel's tray")

    def test_the_desktop_going_ends_it_in_a_line_with_status_1_and_its_files_gone(self):
        # The session bus (GLib would raise SIGTERM), then the X server.
        for server, said in [("dbus-daemon", "the session bus"), ("Xvfb", "the X server")]:
            with self.subTest(said):
                session = self.session("desktop-gone")
                session.env["DBUS_SESSION_BUS_ADDRESS"] = session.bus()
                indicator = Indicator(session)
                indicator.logged("status item created")
                icons = lambda: [name for name in os.listdir(os.path.join(session.home, "runtime")) if "indicator" in name]
                wait_for(icons, what="the icon folder")
                next(p for p in session.processes if p.args[0] == server).kill()
                self.assertEqual(indicator.finish(), 1)
                self.assertEqual((indicator.lines[-1], icons()), (f"indicator: {said} went away; ending\n", []))


    def test_no_folder_for_the_icons_is_said(self):
        session = self.session("no-icon-folder")
        gone = dict.fromkeys(["XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "TMPDIR"], "/nonexistent")
        Indicator(session, env={**session.env, **gone}).logged(
            "no folder for the item's icons in the runtime, cache or temporary folder (No such file or directory); "
            "hosts that show only icons show the item without its title")

    def test_wayland_selftest_ends_however_its_menu_is_dismissed(self):
        # Under Wayland the menu is a window of its own, in the middle or at the top centre. A
        # click elsewhere closes it where the click takes the keyboard from it, as on Plasma's
        # desktop; GNOME's empty desktop and its overview leave the keyboard where it is.
        keys = [("key", "Escape"), ("key", "ctrl+q")]
        for host, dismissals in (("gnome-wayland", keys), ("plasma-wayland", keys + [("click", "1")])):
            session = self.session(host)
            env = HOSTS[host][0](session)
            for dismissal in dismissals:
                with self.subTest(host=host, dismissal=dismissal):
                    indicator = Indicator(session, ["--selftest"], env=env)
                    indicator.logged("selftest opening menu")
                    name = f"selftest-menu-{dismissal[1].replace('+', '-').lower()}.png"
                    menu = lambda: {word for word, *_ in words(session.screenshot(name), (0, 800))} & {"codex", "Quit"}
                    wait_for(menu, timeout=60, what="the self-test's menu on screen, read back")
                    session.xdotool("mousemove", "40", "400")  # outside the menu
                    session.xdotool(*dismissal)
                    self.assertEqual(indicator.finish(timeout=30), 0)
                    self.assertEqual(indicator.lines[-1], "indicator: selftest menu closed\n")


# test_xfce, test_plasma, test_gnome_x11 and so on: each host as a test of its own.
for _host in HOSTS:
    setattr(Hosts, "test_" + _host.replace("-", "_"), lambda self, host=_host: self.run_on(host))


if __name__ == "__main__":
    unittest.main(verbosity=2)
