#!/usr/bin/env python3
"""Checks the compiled help file: table of contents, the pages the program
opens, the text-only pop-up file, and a context id for every dialog control
that has one.

usage: check_help_file.py CHMLS HELP_FILE
"""
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

CONTEXT_IDS = [
    0x806803E8, 0x806803E9, 0x806803EA, 0x80680001, 0x806F0002,
    0x806A03EC, 0x806A03ED, 0x806A03EE, 0x806A03EF, 0x806A03F0, 0x806A03FA, 0x806A0407,
    0x806B03F1, 0x806B03F2, 0x806E03F9, 0x806E03FD, 0x806F03FB, 0x806F03FC,
    0x807003FF, 0x80700400, 0x80700401, 0x80700402, 0x80700403, 0x80700405, 0x80700406,
]
REQUIRED_FILES = ["/toc.hhc", "/settings.htm", "/index.htm", "/cshelp.txt", "/live_quotes.htm",
                  "/#IVB", "/#SYSTEM"]


def main(chmls, help_file):
    listing = subprocess.run([chmls, "list", help_file], capture_output=True, text=True, check=True).stdout
    names = {line.split()[-1] for line in listing.splitlines() if line.strip()}
    failures = ["missing " + name for name in REQUIRED_FILES if name not in names]
    with tempfile.TemporaryDirectory() as folder:
        ivb = Path(folder) / "ivb"
        subprocess.run([chmls, "extract", help_file, "/#IVB", str(ivb)], capture_output=True, check=True)
        data = ivb.read_bytes()
    # #IVB: a 32-bit byte count, then pairs of (context id, offset into #STRINGS).
    count = struct.unpack_from("<I", data, 0)[0] // 8
    mapped = {struct.unpack_from("<I", data, 4 + 8 * i)[0] for i in range(count)}
    failures += ["context id 0x%08X not mapped" % cid for cid in CONTEXT_IDS if cid not in mapped]
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
