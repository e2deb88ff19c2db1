#!/usr/bin/env python3
"""indicator-check: verdicts, warnings, preview, --pass, exit statuses; the example producers
write lines the indicator accepts."""
import os
import pty
import subprocess
import sys
import unittest

from harness import program, run

CHECK = os.path.abspath(program())
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TIMEOUT = 60


def check(*args, stdin=b""):
    status, out, err = run([CHECK, *args], stdin, TIMEOUT)
    return status, out.decode(), err.decode()


ROW = '{"label":"l","bar":"b","value":"v"%s}'
CONTROL = "holds control characters (line breaks, tabs, escapes), which menus and status bars show differently or not at all"
SECTION = '{"sections":[{"title":"s","rows":[%s]}]}'

# One line each: what indicator-check writes for it, whole.
VERDICTS = [
    ("{}", "1: ok  no title (shows \u2026), no sections"),
    (r'{"title":"\u001b[1m\u0085"}', '1: ok  title "\u241b[1m\\u0085", no sections\n1: warning  title: ' + CONTROL),
    ('{"title":"\u2301 23%","sections":[{"title":"a","rows":[]},{"title":"b","rows":[' + ROW % "" + "," + ROW % ""
     + ']}],"console":""}', '1: ok  title "\u2301 23%", 2 sections, 2 rows, console'),
    (" \t", "1: rejected  blank line"),
    (SECTION % '{"label":"l","bar":"b","value":42}', "1: rejected  sections[0].rows[0].value: expected string, got number"),
    (SECTION % '{"label":"l","value":"v"}', "1: rejected  sections[0].rows[0].bar: missing"),
    (SECTION % (ROW % ',"emphasis":1'), "1: rejected  sections[0].rows[0].emphasis: expected true, false or null, got number"),
    ('{"title":"a","detail":,"x":1}', "1: rejected  not JSON at byte 23: a value was expected here\n"
     '    {"title":"a","detail":,"x":1}\n                          ^'),
    ("{}{}", "1: rejected  not JSON at byte 3: more after the first JSON value; write exactly one object per line\n"
     "    {}{}\n      ^"),
    ("{", "1: rejected  not JSON at byte 2: the line ends inside an object; pretty-printed JSON? write each report on "
     "one line\n    {\n     ^"),
    ("\ufeff{}", "1: rejected  not JSON at byte 1: a byte order mark starts the line; write UTF-8 without one\n"
     "    \ufeff{}\n    ^"),
    ('{"v":NaN}', "1: rejected  not JSON at byte 6: NaN and Infinity are not JSON; send measurements as strings\n"
     '    {"v":NaN}\n         ^'),
    ('{"x":1180591620717411303424}', "1: rejected  not JSON at byte 6: an integer outside 64 bits; send it as a string\n"
     '    {"x":1180591620717411303424}\n         ^'),
    ('{"title":"\\ud800"}', "1: rejected  not JSON at byte 11: a high surrogate escape without a low one after it\n"
     '    {"title":"\\ud800"}\n              ^'),
    ('{"t":"\\ud83d\\ude00', "1: rejected  not JSON at byte 19: the string is not closed before the line ends\n"
     '    {"t":"\\ud83d\\ude00\n' + " " * 22 + "^"),
    ('{"title":"\\uDFFF"}', "1: rejected  not JSON at byte 11: a low surrogate escape without a high one before it\n"
     '    {"title":"\\uDFFF"}\n              ^'),
    ('{"title":"a\tb"}', "1: rejected  not JSON at byte 12: a raw control character (U+0009) in a string; write it as "
     "an escape such as \\n, \\t or \\u00XX\n    {\"title\":\"a\u2409b\"}\n               ^"),
    ('{"x":' + "[" * 1023 + "]" * 1023 + "}", "1: ok  no title (shows \u2026), no sections"),
    ('{"x":' + "[" * 1024 + "]" * 1024 + "}", "1: rejected  not JSON at byte 1029: nested deeper than 1024 levels\n"
     "    \u2026" + "[" * 41 + "]" * 29 + "\u2026\n" + " " * 45 + "^"),
    ('{"x":"' + "y" * 60 + '",}', "1: rejected  not JSON at byte 68: a trailing comma before '}'\n"
     '    \u2026' + "y" * 39 + '",}\n' + " " * 45 + "^"),
]

WARNINGS = [
    ('{"Title":"a","sectons":[],"x-meta":1,"xtle":1,"consle":"c","ttile":"b"}', [
        '"Title": not a key of the report, so it is ignored; did you mean "title"?',
        '"sectons": not a key of the report, so it is ignored; did you mean "sections"?',
        '"consle": not a key of the report, so it is ignored; did you mean "console"?',
        '"ttile": not a key of the report, so it is ignored; did you mean "title"?']),
    (SECTION % (ROW % ',"emphasys":true,"Tone":"good","labels":"x"'), [
        'sections[0].rows[0]."emphasys": not a key of a row, so it is ignored; did you mean "emphasis"?',
        'sections[0].rows[0]."Tone": not a key of a row, so it is ignored; did you mean "tone"?',
        'sections[0].rows[0]."labels": not a key of a row, so it is ignored; did you mean "label"?']),
    (SECTION % (ROW % ',"tone":"Good"') , ['sections[0].rows[0].tone: "Good" is drawn grey; tones match exactly, did you mean "good"?']),
    (SECTION % (ROW % ',"tone":" light"'), ['sections[0].rows[0].tone: " light" is drawn grey; tones match exactly, did you mean "light"?']),
    ('{"title":"123456789"}', ["title: 9 characters; status bars cut or shrink titles longer than 8 (see the README's guide for producers)"]),
    ('{"title":"a","title":"b"}', ["title: the key stands twice; only the last value counts"]),
    (SECTION % '{"label":"l\\nm","bar":"b\\tc","value":"v\\u0085"}', [
        "sections[0].rows[0].label: " + CONTROL, "sections[0].rows[0].bar: " + CONTROL,
        "sections[0].rows[0].value: " + CONTROL]),
    ('{"console":"http://x\\n"}', ["console: " + CONTROL]),
]


class Verdicts(unittest.TestCase):
    def test_each_kind_of_verdict(self):
        for line, expected in VERDICTS:
            with self.subTest(line):
                status, out, err = check(stdin=line.encode() + b"\n")
                self.assertEqual((out, err), (expected + "\n", ""))
                self.assertEqual(status, 0 if ": ok" in expected else 1)

    def test_each_warning_leaves_the_line_accepted(self):
        for line, warnings in WARNINGS:
            with self.subTest(line):
                status, out, _ = check(stdin=line.encode())
                self.assertEqual(status, 0)
                self.assertEqual(out.splitlines()[1:], ["1: warning  " + warning for warning in warnings])
        status, out, _ = check(stdin=b'{"title":"\xff"}\n' + (SECTION % (ROW % ',"tone":"good","x-y":1')).encode())
        self.assertEqual(out, '1: ok  title "\ufffd", no sections\n'
                              "1: warning  ill-formed UTF-8 in a string is shown as \ufffd\n"
                              "2: ok  no title (shows \u2026), 1 section, 1 row\n")

    def test_input_of_many_reads_is_read_to_its_end(self):
        status, out, _ = check(stdin=b"{}\n" * 100_000)
        self.assertEqual((status, out.count("\n"), out.splitlines()[-1]),
                         (0, 100_000, "100000: ok  no title (shows \u2026), no sections"))

    def test_lines_are_numbered_per_file_blank_ones_included(self):
        status, out, err = check("-", "/nonexistent/reports.jsonl", "/", stdin=b"{}\r\n\n{}")
        self.assertEqual(status, 2)
        self.assertEqual(out, "-:1: ok  no title (shows \u2026), no sections\n-:2: rejected  blank line\n"
                              "-:3: ok  no title (shows \u2026), no sections\n")
        self.assertEqual(err, "indicator-check: cannot open /nonexistent/reports.jsonl: No such file or directory\n"
                              "indicator-check: cannot read /: Is a directory\n")

    def test_usage_and_version(self):
        for args, status, stream in [(["--help"], 0, 1), (["--version"], 0, 1), (["--bogus"], 2, 2), (["--last"], 2, 2)]:
            with self.subTest(args):
                result = check(*args)
                self.assertEqual(result[0], status)
                self.assertTrue(result[stream])
        self.assertRegex(check("--version")[1], r"^indicator-check \d+\.\d+\.\d+\n$")

    def test_a_reader_that_goes_away_ends_it_with_status_2(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        with os.fdopen(write_end, "wb") as gone:
            result = subprocess.run([CHECK], input=b"{}\n" * 1000, stdout=gone, stderr=subprocess.DEVNULL,
                                    timeout=TIMEOUT)
        self.assertEqual(result.returncode, 2)


SAMPLE = ('{"title":"\u2301 23%","tone":"good","sections":[{"title":"Running now \u00b7 2 windows","rows":['
          '{"label":"codex     ","bar":"\u2588\u2588\u2500\u2500","value":" 22.7%","detail":"\u00b7 91.2K sent","tone":"good"},'
          '{"label":"claude    ","bar":"\u00b7\u00b7\u00b7\u00b7","value":"      ","detail":"","hint":"no requests yet"}]},'
          '{"title":"Today","rows":[{"label":"all agents","bar":"\u2588\u2588\u2588\u2500","value":" 36.7%",'
          '"tone":"strong","emphasis":true}]}],"console":"http://127.0.0.1:8180"}')

SAMPLE_PREVIEW = """\
  status  \u2301 23%
  menu
    Running now \u00b7 2 windows
      codex       \u2588\u2588\u2500\u2500   22.7%  \u00b7 91.2K sent
      claude      \u00b7\u00b7\u00b7\u00b7          \u2014 no requests yet
    {rule}
    Today
      all agents  \u2588\u2588\u2588\u2500   36.7%
    {rule}
    Open Kestrelwick console
    Quit indicator  \u2318Q
""".format(rule="\u2500" * 40)  # as wide as the widest item


class Preview(unittest.TestCase):
    def test_plain_preview_of_the_sample(self):
        status, out, _ = check("--preview", "--last", stdin=("{}\n" + SAMPLE + "\noops\n").encode())
        self.assertEqual(status, 1)
        self.assertEqual(out.split("    ^\n", 1)[1], SAMPLE_PREVIEW)

    def test_colour_only_on_a_terminal_without_NO_COLOR(self):
        for no_colour, coloured in [("", True), ("1", False)]:
            with self.subTest(NO_COLOR=no_colour):
                leader, follower = pty.openpty()
                with open(follower, "wb", closefd=True) as terminal:
                    result = subprocess.run([CHECK, "--preview"], input=SAMPLE.encode(), stdout=terminal,
                                            timeout=TIMEOUT, env={**os.environ, "NO_COLOR": no_colour})
                output = os.read(leader, 1 << 16).decode()
                os.close(leader)
                self.assertEqual(result.returncode, 0)
                # strong green and good blue, a quarter grey, as on a dark menu; emphasis bold
                for escape in ["38;2;72;192;103m", "\x1b[38;2;43;135;228m", "\x1b[1;38;2;"]:
                    self.assertEqual(escape in output, coloured, escape)
                self.assertNotIn("38;2;255;255;255", output)  # labels keep the terminal's own colour


class Pass(unittest.TestCase):
    def test_input_passes_byte_for_byte_and_rejections_go_to_stderr(self):
        data = b'{"title":"a"}\r\n\x00\n{"title":"\xff"}\noops\r\n{}'
        result = subprocess.run([CHECK, "--pass"], input=data, capture_output=True, timeout=TIMEOUT)
        self.assertEqual((result.returncode, result.stdout), (1, data))
        self.assertEqual(result.stderr.decode(), "2: rejected  not JSON at byte 1: a value was expected here\n    \u2400\n    ^\n"
                              "3: warning  ill-formed UTF-8 in a string is shown as \ufffd\n"
                              "4: rejected  not JSON at byte 1: a value was expected here\n    oops\n    ^\n")


class Examples(unittest.TestCase):
    def test_each_producer_writes_lines_the_indicator_accepts(self):
        producers = {
            "sh": (["dash", os.path.join(ROOT, "examples", "producer.sh")], {"ITERATIONS": "3", "INTERVAL": "0"}),
            "python": ([sys.executable, os.path.join(ROOT, "examples", "producer.py"), "--count", "3", "--interval", "0"], {}),
        }
        for name, (command, env) in producers.items():
            with self.subTest(name):
                lines = subprocess.run(command, capture_output=True, check=True, timeout=TIMEOUT,
                                       env={**os.environ, **env}).stdout
                status, out, _ = check(stdin=lines)
                self.assertEqual(status, 0, out)
                self.assertEqual([line.split("  ")[0] for line in out.splitlines()], ["1: ok", "2: ok", "3: ok"], out)


if __name__ == "__main__":
    unittest.main()
