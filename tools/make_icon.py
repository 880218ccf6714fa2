#!/usr/bin/env python3
"""Builds a 16-colour .ico (or a monochrome .cur) from a text-art picture.

    make_icon.py PICTURE.txt OUTPUT.ico
    make_icon.py --cursor X,Y PICTURE.txt OUTPUT.cur

A picture is a square of characters, one row per line, 16 or 32 wide. Lines
starting with '#' are comments. Each character is one pixel:

    .  transparent
    K black   r maroon  g green   y olive   b navy   m purple  c teal    s silver
    S gray    R red     G lime    Y yellow  B blue   M fuchsia C aqua    W white

Cursors take only '.', 'K' and 'W'; --cursor gives the hot spot.
"""
import struct
import sys

PALETTE = [  # the standard Windows 16-colour palette, as (R, G, B)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
LETTERS = "KrgybmcsSRGYBMCW"
TRANSPARENT = "."


class PictureError(Exception):
    pass


def read_picture(path):
    try:
        with open(path, encoding="ascii") as handle:
            rows = [line.rstrip("\n") for line in handle if not line.startswith("#")]
    except (OSError, UnicodeDecodeError) as error:
        raise PictureError(f"cannot read {path}: {error}")
    rows = [row for row in rows if row.strip()]
    size = len(rows)
    if size not in (16, 32):
        raise PictureError(f"{path}: {size} rows; a picture is 16 or 32 rows")
    for number, row in enumerate(rows, 1):
        if len(row) != size:
            raise PictureError(f"{path}: row {number} is {len(row)} wide, expected {size}")
        for char in row:
            if char != TRANSPARENT and char not in LETTERS:
                raise PictureError(f"{path}: row {number}: unknown colour '{char}'")
    return rows


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def pack_bits(values, bits):
    """Packs pixel values (each `bits` wide) into bytes, most significant first."""
    out = bytearray()
    per_byte = 8 // bits
    for start in range(0, len(values), per_byte):
        byte = 0
        for offset, value in enumerate(values[start:start + per_byte]):
            byte |= value << (8 - bits * (offset + 1))
        out.append(byte)
    return bytes(out)


def and_mask(rows):
    return b"".join(padded(pack_bits([1 if c == TRANSPARENT else 0 for c in row], 1))
                    for row in reversed(rows))


def bitmap_header(size, bits, colours, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, colours, 0)


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def icon_image(rows):
    size = len(rows)
    xor = b"".join(padded(pack_bits([0 if c == TRANSPARENT else LETTERS.index(c) for c in row], 4))
                   for row in reversed(rows))
    mask = and_mask(rows)
    return bitmap_header(size, 4, 16, len(xor) + len(mask)) + palette_bytes(PALETTE) + xor + mask


def cursor_image(rows):
    size = len(rows)
    for number, row in enumerate(rows, 1):
        if set(row) - {TRANSPARENT, "K", "W"}:
            raise PictureError(f"cursor row {number}: only '.', 'K' and 'W' are allowed")
    xor = b"".join(padded(pack_bits([1 if c == "W" else 0 for c in row], 1)) for row in reversed(rows))
    mask = and_mask(rows)
    colours = [(0, 0, 0), (255, 255, 255)]
    return bitmap_header(size, 1, 2, len(xor) + len(mask)) + palette_bytes(colours) + xor + mask


def resource_file(rows, hot_spot=None):
    size = len(rows)
    if hot_spot is None:
        image, kind, colour_count, field1, field2 = icon_image(rows), 1, 16, 1, 4
    else:
        image, kind, colour_count = cursor_image(rows), 2, 2
        field1, field2 = hot_spot
        if not (0 <= field1 < size and 0 <= field2 < size):
            raise PictureError(f"hot spot {hot_spot} lies outside the {size}x{size} picture")
    header = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, field1, field2,
                        len(image), 6 + 16)
    return header + entry + image


def parse_hot_spot(text):
    try:
        x, y = (int(part) for part in text.split(","))
    except ValueError:
        raise PictureError(f"--cursor wants X,Y, got '{text}'")
    return x, y


def main(argv):
    args = list(argv)
    hot_spot = None
    if args[:1] == ["--cursor"]:
        if len(args) < 2:
            raise PictureError("--cursor wants X,Y")
        hot_spot = parse_hot_spot(args[1])
        args = args[2:]
    if len(args) != 2:
        raise PictureError("usage: make_icon.py [--cursor X,Y] PICTURE.txt OUTPUT")
    data = resource_file(read_picture(args[0]), hot_spot)
    with open(args[1], "wb") as handle:
        handle.write(data)


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except PictureError as error:
        print(f"make_icon.py: {error}", file=sys.stderr)
        sys.exit(2)
