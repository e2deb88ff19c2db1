#!/usr/bin/env python3
"""scripts/macos/tool_output.py: each check of a Mac's build passes on its good output and fails on a planted fault."""
import os, sys, unittest

from harness import run

TESTS = os.path.dirname(os.path.abspath(__file__))
SCRIPT, DATA = os.path.join(TESTS, "..", "scripts", "macos", "tool_output.py"), os.path.join(TESTS, "data", "macos")

# (arguments, recorded output, exit status, what standard error says of a failure)
CASES = [
    ("system-libraries", "otool_thin.txt", 0, ""),
    ("system-libraries --arch arm64 x86_64", "otool_universal.txt", 0, ""),
    ("system-libraries --arch arm64 x86_64", "otool_universal_homebrew.txt", 1,
     "indicator (x86_64): /opt/homebrew/opt/simdjson/lib/libsimdjson.25.dylib is outside /usr/lib/"),
    ("system-libraries --arch arm64 x86_64", "otool_missing_architecture.txt", 1, "of architecture x86_64 found"),
    ("system-libraries", "empty.txt", 1, "no libraries found"),
    ("minos 11.0", "vtool_thin.txt", 0, ""),
    ("minos 11", "vtool_universal.txt", 0, ""),
    ("minos 11.0", "vtool_universal_14.txt", 1, "indicator (x86_64): LC_BUILD_VERSION minos 14.0, expected 11.0"),
    ("minos 10.15", "vtool_version_min.txt", 0, ""),
    ("minos 11.0", "vtool_version_min.txt", 1, "LC_VERSION_MIN_MACOSX version 10.15, expected 11.0"),
    ("minos 11.0", "vtool_ios.txt", 1, "build-ios/indicator: no macOS build version"),
    ("minos 11.0", "empty.txt", 1, "no macOS build version found"),
    ("architectures arm64 x86_64", "lipo_fat.txt", 0, ""),  # lipo's order is x86_64 arm64
    ("architectures arm64", "lipo_fat.txt", 1, "indicator: architectures x86_64 arm64, expected arm64"),
    ("architectures arm64 x86_64", "lipo_thin.txt", 1, "indicator: architectures arm64, expected arm64 x86_64"),
    ("architectures arm64 x86_64", "empty.txt", 1, "no lipo -info line"),
    ("plist-value true", "plist_true.txt", 0, ""),
    ("plist-value false", "plist_true.txt", 1, "value 'true', expected 'false'"),
    ("plist-value true", "empty.txt", 1, "no value"),
    ("leaks", "leaks_none.txt", 0, ""),
    ("leaks", "leaks_system.txt", 0, ""),  # the indicator's main is on the stacks, farther out than AppKit
    ("leaks", "leaks_own.txt", 1, "own code, at 4 indicator 0x100e31f0c app::Indicator::readStdin() + 204"),
    ("leaks", "leaks_own_list.txt", 1, "own code, at 0x100e31f0c (indicator) app::Indicator::readStdin()"),
    ("leaks", "leaks_no_stacks.txt", 1, "leaks reported (1), but no call stack"),
    ("leaks", "empty.txt", 1, "no leak count"),
]


class RecordedOutputs(unittest.TestCase):
    def test_each_check_on_each_recorded_output(self):
        for args, recorded, status, said in CASES:
            with self.subTest(args=args, output=recorded), open(os.path.join(DATA, recorded), "rb") as output:
                code, _, err = run([sys.executable, SCRIPT, *args.split()], output.read(), 60)
                self.assertEqual(code, status, err.decode())
                # A failure says what it saw; a pass says nothing on standard error.
                self.assertTrue(said in err.decode() if status else not err, err.decode())


if __name__ == "__main__":
    unittest.main(verbosity=2)
