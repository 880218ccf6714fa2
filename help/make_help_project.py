#!/usr/bin/env python3
"""Writes the HTML Help project of Morvane Quote into a build folder.

usage: make_help_project.py SOURCE_DIR OUTPUT_DIR

chmcmd (Free Pascal) ignores [TEXT POPUPS], keeps only one context name per
file, and reads [MAP] numbers as signed 32-bit decimals. So besides copying
the pages, cshelp.txt and the table of contents, this writes one small page
per pop-up text (its context name aliased to it), and the [MAP] with each
context id as a signed decimal. The text-only pop-up file itself goes into
the .chm as a plain file.
"""
import html
import re
import shutil
import sys
from pathlib import Path

STATIC_FILES = ["index.htm", "about.htm", "quote_list.htm", "quote_detail.htm", "settings.htm",
                "symbol.htm", "proxy.htm", "live_quotes.htm", "toc.hhc", "cshelp.txt",
                "context_ids.h"]

PAGE = """<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">
<html>
<head><meta http-equiv="Content-Type" content="text/html; charset=windows-1252"><title>Morvane Quote</title></head>
<body style="font-family: Verdana, Arial, sans-serif; font-size: 9pt">
<p>{text}</p>
</body>
</html>
"""


def read_context_ids(path):
    ids = {}
    for name, value in re.findall(r"^#define\s+(IDH_\w+)\s+(0x[0-9A-Fa-f]+)\s*$", path.read_text(), re.M):
        ids[name] = int(value, 16)
    return ids


def read_popups(path):
    popups = {}
    for block in re.split(r"^\.topic\s+", path.read_text(), flags=re.M)[1:]:
        name, _, text = block.partition("\n")
        popups[name.strip()] = " ".join(text.split())
    return popups


def signed(value):
    return value - (1 << 32) if value >= 1 << 31 else value


def main(source, output):
    source, output = Path(source), Path(output)
    output.mkdir(parents=True, exist_ok=True)
    for name in STATIC_FILES:
        shutil.copyfile(source / name, output / name)
    ids = read_context_ids(source / "context_ids.h")
    popups = read_popups(source / "cshelp.txt")
    missing = sorted(set(ids) ^ set(popups))
    if missing:
        sys.exit("context ids and pop-up texts differ: " + ", ".join(missing))
    (output / "popups").mkdir(exist_ok=True)
    files, aliases, mapping = [], [], []
    for name in sorted(ids):
        page = "popups/%s.htm" % name.lower()
        (output / page).write_text(PAGE.format(text=html.escape(popups[name])), encoding="cp1252")
        files.append(page)
        aliases.append("%s=%s" % (name, page))
        mapping.append("#define %s %d" % (name, signed(ids[name])))
    project = (source / "morvane_quote.hhp.in").read_text()
    project = project.replace("@POPUP_FILES@", "\n".join(files))
    project = project.replace("@ALIASES@", "\n".join(aliases))
    project = project.replace("@MAP@", "\n".join(mapping))
    (output / "morvane_quote.hhp").write_text(project)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
