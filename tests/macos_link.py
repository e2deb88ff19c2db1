#!/usr/bin/env python3
"""Links as ld64 would, as far as the project's own symbols go: every C++ symbol that the
objects, and the archive members they pull in, refer to must be defined by one of them.
System frameworks, the C++ library and simdjson are taken as found.

macos_link.py LLVM_BIN OUTPUT OBJECT_OR_ARCHIVE_OR_FLAG..."""
import re, subprocess, sys

llvm_bin, output, inputs = sys.argv[1], sys.argv[2], sys.argv[3:]
EXTERNAL = ("std::", "simdjson::", "testing::", "__cxxabiv1::", "operator new", "operator delete")


def members(path):
    """{member: (defined, undefined)} of an object or archive, from nm's POSIX output."""
    found = {}
    for line in subprocess.run([f"{llvm_bin}/llvm-nm", "-P", "-A", path], capture_output=True, text=True,
                               check=True).stdout.splitlines():
        member, _, rest = line.rpartition(": ")
        name, kind = rest.split()[:2]
        found.setdefault(member, (set(), set()))[kind == "U"].add(name)
    return found


defined, undefined = set(), set()
archives = [members(p) for p in inputs if p.endswith(".a")]
for path in [p for p in inputs if p.endswith(".o")]:
    for d, u in members(path).values():
        defined, undefined = defined | d, undefined | u
pulled = True
while pulled:  # ld64 searches every archive until no member resolves anything more
    pulled = False
    for archive in archives:
        for member, (d, u) in list(archive.items()):
            if d & (undefined - defined):
                defined, undefined, pulled = defined | d, undefined | u, True
                del archive[member]
missing = sorted(s for s in undefined - defined if s.startswith("__Z"))
names = subprocess.run([f"{llvm_bin}/llvm-cxxfilt", "-_"], input="\n".join(missing), capture_output=True,
                       text=True).stdout.splitlines()
# "vtable for X", "virtual thunk to X", "guard variable for X": X is what counts
own = [n for n in names if not re.sub(r"^(?:[a-z-]+ )+(?:for|to) ", "", n).startswith(EXTERNAL)]
if own:
    sys.exit(f"ld: undefined symbols for {output}:\n  " + "\n  ".join(own))
open(output, "w").close()
