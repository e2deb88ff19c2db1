#!/usr/bin/env python3
"""Checks a built binary by the output of one of Apple's tools, read on standard input: exit 0
when the check passes, 1 with one line per finding on standard error when it does not. Output
with nothing to read in it fails: a tool that printed nothing proves nothing.

  { otool -arch A -L BIN; otool -arch B -L BIN; } | tool_output.py system-libraries [--arch A B]
  vtool -show-build BIN                            | tool_output.py minos VERSION
  lipo -info BIN                                   | tool_output.py architectures ARCH...
  PlistBuddy -c 'Print :KEY' PLIST                 | tool_output.py plist-value EXPECTED
  MallocStackLogging=1 leaks --atExit -- PROGRAM   | tool_output.py leaks
"""
import argparse
import re
import sys

SYSTEM = ("/usr/lib/", "/System/Library/")
# Allocators and runtimes allocate for their callers: a leak is the indicator's own when its
# innermost frame outside these images is in the indicator.
MACHINERY = ("libsystem_malloc", "libc++", "libobjc", "libsystem_c", "CoreFoundation")
OWN_IMAGE = "indicator"
HEADER = re.compile(r"(?P<file>\S.*?)(?: \(architecture (?P<arch>[^)]+)\))?:")
LOAD_VERSION = re.compile(r"\s*\((?:compatibility|current) version [^)]*\)$")
SUMMARY = re.compile(r"^Process \d+: (\d+) leaks? for \d+ total leaked bytes", re.M)
# leaks' report version 4 writes a stack as numbered lines, 0 the innermost:
#   3   indicator    0x100e31f0c app::Indicator::readStdin() + 204  indicator.cpp:97
NUMBERED_FRAME = re.compile(r"\s*(\d+)\s+(\S.*?)\s+0x[0-9a-fA-F]+(?:\s|$)")
# -list and report version 3 write one line, outermost first: "0x100e31f0c (indicator) main | ..."
LISTED_FRAME = re.compile(r"0x[0-9a-fA-F]+ \(([^)]+)\)")


def files(text):
    """[(label, architecture or None, body lines)] per file header of otool or vtool: PATH: is a
    thin binary, PATH (architecture ARCH): one architecture of a universal one."""
    found = []
    for line in filter(str.strip, text.splitlines()):
        header = HEADER.fullmatch(line) if not line[0].isspace() else None
        if header:
            arch = header["arch"]
            found.append((f"{header['file']} ({arch})" if arch else header["file"], arch, []))
        elif found:
            found[-1][2].append(line.strip())
    return found


def system_libraries(text, args):
    problems, seen, count = [], set(), 0
    for label, arch, lines in files(text):
        # Every line under a header is taken for a library: a line otool would not write fails
        # as not the system's rather than being passed over.
        libraries = [LOAD_VERSION.sub("", line) for line in lines]
        problems += [f"{label}: {library} is outside /usr/lib/ and /System/Library/"
                     for library in libraries if not library.startswith(SYSTEM)]
        seen.add(arch)
        count += len(libraries)
    if not count:
        problems.append("no libraries found in the output")
    # otool names no architecture of a thin binary, nor prints one it was asked for and lacks.
    problems += [f"no libraries of architecture {arch} found in the output" for arch in args.arch if arch not in seen]
    return problems, f"{count} libraries, all the system's own"


def numbers(version):
    """A version as numbers without trailing zeros, so that 11 == 11.0 == 11.0.0; None if it is none."""
    if not re.fullmatch(r"\d+(\.\d+)*", version or ""):
        return None
    parts = [int(part) for part in version.split(".")]
    while len(parts) > 1 and parts[-1] == 0:
        parts.pop()
    return tuple(parts)


def minos(text, args):
    problems, count = [], 0
    for label, _, lines in files(text):
        commands = []
        for key, _, value in (line.partition(" ") for line in lines):
            if key == "Load":  # Load command N
                commands.append({})
            elif commands:
                commands[-1][key] = value.strip()
        # A macOS minimum: LC_BUILD_VERSION's minos for platform MACOS, or an older binary's
        # LC_VERSION_MIN_MACOSX version. Build versions for other platforms do not count.
        minimums = [(c, "minos") for c in commands
                    if c.get("cmd") == "LC_BUILD_VERSION" and c.get("platform") == "MACOS"]
        minimums += [(c, "version") for c in commands if c.get("cmd") == "LC_VERSION_MIN_MACOSX"]
        if not minimums:
            problems.append(f"{label}: no macOS build version")
        for command, key in minimums:
            if numbers(command.get(key)) != numbers(args.version):
                seen = f"{command['cmd']} {key} {command.get(key, '(none)')}"
                problems.append(f"{label}: {seen}, expected {args.version}")
        count += len(minimums)
    if not count:
        problems.append("no macOS build version found in the output")
    return problems, f"{count} macOS build versions, each minos {args.version}"


def architectures(text, args):
    problems, found = [], []
    for line in map(str.strip, text.splitlines()):
        read = (re.fullmatch(r"Architectures in the fat file: (.+) are: (.+)", line)
                or re.fullmatch(r"Non-fat file: (.+) is architecture: (\S+)", line))
        if read:
            found.append((read[1], read[2].split()))
    if not found:
        problems.append("no lipo -info line (Architectures in the fat file: or Non-fat file:) found in the output")
    for path, archs in found:
        if sorted(archs) != sorted(args.arch):
            problems.append(f"{path}: architectures {' '.join(archs)}, expected {' '.join(args.arch)}")
    return problems, f"architectures {' '.join(args.arch)}"


def plist_value(text, args):
    if not text:
        return ["no value found in the output"], ""
    value = text[:-1] if text.endswith("\n") else text  # PlistBuddy ends the value with a line feed
    return ([] if value == args.expected else [f"value {value!r}, expected {args.expected!r}"]), f"value {value}"


def stacks(text):
    """Each leak's call stack as [(image or None, frame)], innermost frame first."""
    found, numbered = [], False
    for line in text.splitlines():
        frame = NUMBERED_FRAME.match(line) if numbered else None
        if line.strip().startswith("Call stack:"):
            listed = [f.strip() for f in line.strip()[len("Call stack:"):].split(" | ") if f.strip()]
            found.append([(n, image[1] if (image := LISTED_FRAME.match(f)) else None, f)
                          for n, f in enumerate(reversed(listed))])
        elif line.startswith("STACK OF "):
            found.append([])
            numbered = True
        elif frame:
            found[-1].append((int(frame[1]), frame[2], " ".join(line.split())))
        else:
            numbered = False
    # By the frame numbers leaks prints, not the order it prints them in: 0 is the innermost.
    return [[(image, frame) for _, image, frame in sorted(stack)] for stack in found]


def leaks(text, args):
    counts = [int(count) for count in SUMMARY.findall(text)]
    if not counts:
        return ["no leak count (Process N: N leaks for N total leaked bytes) found in the output"], ""
    if sum(counts) == 0:
        return [], "0 leaks"
    readable = [stack for stack in stacks(text) if any(image for image, _ in stack)]
    if not readable:
        return [f"leaks reported ({sum(counts)}), but no call stack naming its images found in the output;"
                " was the program run with MallocStackLogging=1?"], ""
    own = []
    for stack in readable:
        image, frame = next(((i, f) for i, f in stack if not (i or "").startswith(MACHINERY)), (None, ""))
        if image == OWN_IMAGE:
            own.append(f"a leak allocated by the indicator's own code, at {frame}")
    return own, f"{sum(counts)} leaks, {len(readable)} stacks read, none allocated by the indicator's own code"


def version_argument(value):
    if numbers(value) is None:
        raise argparse.ArgumentTypeError(f"not a version: {value}")
    return value


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    command = commands.add_parser("system-libraries", help="otool -L: every library is the system's own")
    command.add_argument("--arch", nargs="+", default=[], help="architectures the output must cover")
    command.set_defaults(check=system_libraries)
    command = commands.add_parser("minos", help="vtool -show-build: every architecture's minimum macOS")
    command.add_argument("version", type=version_argument)
    command.set_defaults(check=minos)
    command = commands.add_parser("architectures", help="lipo -info: exactly these architectures")
    command.add_argument("arch", nargs="+")
    command.set_defaults(check=architectures)
    command = commands.add_parser("plist-value", help="PlistBuddy -c 'Print :KEY': the value")
    command.add_argument("expected")
    command.set_defaults(check=plist_value)
    commands.add_parser("leaks", help="leaks --atExit: no leak of the indicator's own").set_defaults(check=leaks)
    args = parser.parse_args()
    problems, summary = args.check(sys.stdin.buffer.read().decode("utf-8", "replace"), args)
    for problem in problems:
        print(f"{args.command}: {problem}", file=sys.stderr)
    if not problems:
        print(f"{args.command}: {summary}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
