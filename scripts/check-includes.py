#!/usr/bin/env python3
"""Fails when an include runs back up between the program's rooms.

The rooms, from the ground up: a room may include its own headers and those of the rooms below it,
never those of a room above it, nor the tools, tests or benchmarks. A room's core/ folder is
platform-free: it includes only core/ headers and the two id lists, never <windows.h>. The tools,
tests and benchmarks stand outside the program and may include any room.

Usage: scripts/check-includes.py [repository]   (prints each wrong include; exit 1 if any)
"""
import pathlib
import re
import sys

ROOMS = ["resources", "win32", "sensor", "calibration", "touch", "presenting", "pages", "board", "palette", "app"]
OUTSIDE = ["tools", "tests", "bench"]
# The id lists: plain constants, platform-free, which the cores' tables name.
CORE_IDS = ("resources/resource_ids.h", "win32/ids.h")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def faults_of(path, root):
    rel = path.relative_to(root)
    room = rel.parts[0]
    in_core = len(rel.parts) > 2 and rel.parts[1] == "core"
    for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        quote, name = match.groups()
        where = f"{rel}:{number}: {name}"
        if quote == "<":
            if in_core and name.lower() in ("windows.h", "winuser.h", "wingdi.h", "shellapi.h"):
                yield f"{where}: a core file is platform-free"
            continue
        target = name.split("/")[0]
        if target in OUTSIDE:
            yield f"{where}: the program does not include {target}/"
        elif target in ROOMS:
            if ROOMS.index(target) > ROOMS.index(room):
                yield f"{where}: {room}/ stands below {target}/"
            elif in_core and "/core/" not in name and name not in CORE_IDS:
                yield f"{where}: a core file includes only core headers"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = []
    for room in ROOMS:
        for path in sorted((root / room).rglob("*")):
            if path.suffix in (".h", ".cpp", ".rc"):
                faults.extend(faults_of(path, root))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) run against the rooms' order: {' < '.join(ROOMS)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
