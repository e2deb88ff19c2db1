#!/usr/bin/env python3
"""Runs build/indicator as a producer would: arguments, pipes, bytes on stderr, exit status."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from harness import program, run

BINARY = os.path.abspath(program())
TIMEOUT = 20
# On macOS the status bar is real: widths are AppKit's, and the self-test's menu stays
# open until a person closes it.
DARWIN = sys.platform == "darwin"
needs_unattended_menu = unittest.skipIf(DARWIN, "the self-test menu waits for a person on macOS")


def widths(text):
    return re.sub(r"width=\d+\.\d+", "width=W", text) if DARWIN else text

EMPTY_LAUNCH = "indicator: status item created\nindicator: title=\u2026 width=17.5 sections=0\n"
SELFTEST = EMPTY_LAUNCH + (
    "indicator: title=\u2301 23% width=47.5 sections=2\n"
    "indicator: selftest opening menu\n"
    "indicator: selftest menu closed\n"
)


def run_indicator(args=(), stdin=b"", argv0=None, **kwargs):
    """Runs the indicator: (exit status, stdout bytes, stderr as strict UTF-8 text)."""
    status, out, err = run([argv0 or BINARY, *args], stdin, TIMEOUT, executable=BINARY, **kwargs)
    return status, out, widths(err.decode())


class Arguments(unittest.TestCase):
    @needs_unattended_menu
    def test_selftest_anywhere_in_the_argument_list(self):
        cases = {
            "second": dict(args=["--selftest"]),
            "later and repeated": dict(args=["x", "-v", "--selftest", "--selftest"]),
            "program name": dict(argv0="--selftest"),
        }
        for name, case in cases.items():
            with self.subTest(name):
                started = time.monotonic()
                self.assertEqual(run_indicator(**case), (0, b"", SELFTEST))
                self.assertGreaterEqual(time.monotonic() - started, 0.5)

    def test_look_alikes_run_the_reader(self):
        for argument in ["--SELFTEST", "-selftest", "--selftest=1", "--selftest ", "selftest", "—selftest", ""]:
            with self.subTest(argument):
                status, out, err = run_indicator(args=[argument], stdin=b'{"title":"r"}\n')
                self.assertEqual(status, 0)
                self.assertEqual(out, b"")
                self.assertEqual(err, widths(EMPTY_LAUNCH + "indicator: title=r width=17.5 sections=0\n"))


class Reports(unittest.TestCase):
    def test_lines_in_log_lines_out(self):
        cases = [
            ("crlf and last line without lf", b'{"title":"a","sections":[{"title":"s","rows":[]}]}\r\n{"title":"b"}',
             ["title=a width=17.5 sections=1", "title=b width=17.5 sections=0"]),
            ("bad lines skipped", b'\n   \nnope\n{"title":1}\n{} {}\n{"title":\n"x"}\n\r\n\xff\n{"title":"ok"}\n',
             ["title=ok width=25.0 sections=0"]),
            ("ill-formed utf-8 inside a string", b'{"title":"a\xffb"}\n', ["title=a\ufffdb width=32.5 sections=0"]),
            ("line break in a title", b'{"title":"a\\nb"}\n', ["title=a\nb width=32.5 sections=0"]),
            ("nul bytes", b'\x00\n{"title":"\x00"}\n{"title":"\\u0000"}\n', ["title=\x00 width=17.5 sections=0"]),
        ]
        for name, stdin, messages in cases:
            with self.subTest(name):
                status, out, err = run_indicator(stdin=stdin)
                self.assertEqual((status, out), (0, b""))
                self.assertEqual(err, widths(EMPTY_LAUNCH + "".join("indicator: %s\n" % m for m in messages)))


class Streams(unittest.TestCase):
    def test_unusual_standard_input_ends_like_end_of_input(self):
        cases = {
            "closed": dict(stdin=None, preexec_fn=lambda: os.close(0)),
            "dev null": dict(stdin=None),
            "directory": dict(stdin=None, preexec_fn=lambda: os.dup2(os.open("/", os.O_RDONLY), 0)),
        }
        for name, case in cases.items():
            with self.subTest(name):
                status, out, err = run_indicator(**case)
                self.assertEqual((status, out, err), (0, b"", widths(EMPTY_LAUNCH)))

    def test_standard_error_that_cannot_be_written(self):
        stdin = b'{"title":"a"}\n' * 1000
        for name in ["closed", "reader gone"]:
            with self.subTest(name):
                if name == "closed":
                    process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                               stderr=subprocess.DEVNULL, preexec_fn=lambda: os.close(2))
                else:
                    read_end, write_end = os.pipe()
                    os.close(read_end)
                    process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                               stderr=write_end)
                    os.close(write_end)
                out, _ = process.communicate(stdin, timeout=TIMEOUT)
                self.assertEqual((process.returncode, out), (0, b""))


@unittest.skipIf(DARWIN, "the desktop tray is Linux's")
class Ending(unittest.TestCase):
    def test_a_named_display_that_cannot_be_used_is_said_once(self):
        with tempfile.TemporaryDirectory() as alone:
            copy = shutil.copy(BINARY, alone)  # without the desktop module beside it
            cases = [
                (copy, "the desktop module is not installed (no %s/../lib/indicator/indicator-gtk.so or "
                       "%s/indicator-gtk.so)" % (alone, alone)),
                (BINARY, "cannot open display :9797"),
            ]
            for binary, why in cases:
                with self.subTest(why):
                    self.assertEqual(run([binary], None, TIMEOUT, env=dict(os.environ, DISPLAY=":9797")), (
                        0, b"", b"indicator: no desktop tray: %s; nothing is shown on screen\n" % why.encode()
                        + EMPTY_LAUNCH.encode()))


if __name__ == "__main__":
    unittest.main(verbosity=2)
