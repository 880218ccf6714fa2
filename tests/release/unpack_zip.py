#!/usr/bin/env python3
"""Checks that a release zip holds exactly the named files, at its top
level, and unpacks it into a fresh folder for the Wine test to run from.

    unpack_zip.py ZIP FOLDER NAME...

Exit code 1 with the difference when the names do not match, 2 on bad
arguments or a zip that cannot be read.
"""
import shutil
import sys
import zipfile


def main(arguments):
    if len(arguments) < 3:
        print("usage: unpack_zip.py ZIP FOLDER NAME...", file=sys.stderr)
        return 2
    archive, folder, expected = arguments[0], arguments[1], sorted(arguments[2:])
    try:
        with zipfile.ZipFile(archive) as release:
            names = sorted(release.namelist())
            if names != expected:
                print(f"{archive} holds {names}, not {expected}", file=sys.stderr)
                return 1
            shutil.rmtree(folder, ignore_errors=True)
            release.extractall(folder)
    except (OSError, zipfile.BadZipFile) as problem:
        print(f"cannot read {archive}: {problem}", file=sys.stderr)
        return 2
    print(f"{archive}: {len(names)} files, unpacked into {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
