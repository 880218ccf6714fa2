#!/usr/bin/env python3
"""Checks the compiled help file: table of contents, the pages the program
opens, the text-only pop-up file, and every context id of the help's own
header (one for each dialog control that has one) mapped.

usage: check_help_file.py CHMLS HELP_FILE CONTEXT_IDS_HEADER
"""
import re
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

REQUIRED_FILES = ["/toc.hhc", "/settings.htm", "/index.htm", "/cshelp.txt", "/live_quotes.htm",
                  "/#IVB", "/#SYSTEM"]


def context_ids(header):
    """The IDH_ numbers that the header defines."""
    return [int(value, 16) for value in re.findall(r"#define IDH_\w+ (0x[0-9A-Fa-f]+)", Path(header).read_text())]


def main(chmls, help_file, header):
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
    expected = context_ids(header)
    failures += [] if expected else ["no context ids in " + header]
    failures += ["context id 0x%08X not mapped" % cid for cid in expected if cid not in mapped]
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
