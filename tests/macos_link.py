#!/usr/bin/env python3
"""Links as ld64 would, as far as the project's own symbols go: every C++ symbol that the
objects, and the archive members they pull in, refer to must be defined by one of them.
System frameworks, the C++ library and simdjson are taken as found.

macos_link.py LLVM_BIN OUTPUT OBJECT_OR_ARCHIVE_OR_FLAG..."""
import re, subprocess, sys

llvm_bin, output, inputs = sys.argv[1], sys.argv[2], sys.argv[3:]
EXTERNAL = ("std::", "simdjson::", "__cxxabiv1::", "operator new", "operator delete")


def symbols(path):
    """{member: (defined, undefined)} of an object or archive, by nm's POSIX output."""
    out = subprocess.run([f"{llvm_bin}/llvm-nm", "-P", "-A", path], capture_output=True, text=True, check=True).stdout
    members = {}
    for line in out.splitlines():
        member, _, rest = line.rpartition(": ")
        name, kind = rest.split()[:2]
        defined, undefined = members.setdefault(member, (set(), set()))
        (undefined if kind == "U" else defined).add(name)
    return members


objects = [p for p in inputs if p.endswith((".o", ".obj"))]
archives = [symbols(p) for p in inputs if p.endswith(".a")]
defined, undefined = set(), set()
for path in objects:
    for d, u in symbols(path).values():
        defined |= d
        undefined |= u
pulled = True
while pulled:  # ld64 searches every archive until no member resolves anything more
    pulled = False
    for archive in archives:
        for member, (d, u) in list(archive.items()):
            if d & (undefined - defined):
                defined |= d
                undefined |= u
                del archive[member]
                pulled = True

missing = sorted(s for s in undefined - defined if s.startswith("__Z"))
names = subprocess.run([f"{llvm_bin}/llvm-cxxfilt", "-_"], input="\n".join(missing), capture_output=True,
                       text=True).stdout.splitlines() if missing else []
own = []
for name in names:
    # "vtable for X", "virtual thunk to X", "guard variable for X": X is what counts
    if not re.sub(r"^(?:[a-z-]+ )+(?:for|to) ", "", name).startswith(EXTERNAL):
        own.append(name)
if own:
    print(f"ld: undefined symbols for {output}:\n  " + "\n  ".join(own), file=sys.stderr)
    sys.exit(1)
open(output, "w").close()
